#pragma once
// The process-wide settings of the log writer: where lines go, the size limit of a log
// file and the debug switch.

#include <atomic>
#include <cstddef>
#include <cstdint>

// A path that is set once per process and never changes afterwards.
class CTolvelogPathString {
public:
    CTolvelogPathString();
    virtual ~CTolvelogPathString();
    CTolvelogPathString(const CTolvelogPathString&) = delete;
    CTolvelogPathString& operator=(const CTolvelogPathString&) = delete;

    // Keeps at most 259 bytes of the path, never half a double-byte character. A second
    // call has no effect.
    void Set(const char* path);
    // Copies the path (an empty text when not set) into the buffer; true when set.
    bool Get(char* buffer, size_t size) const;
    bool IsEmpty() const;

private:
    std::atomic<int32_t> m_bSet; // raised only after the path is complete
    char m_szPath[260];
};

struct TolveLogSettings {
    CTolvelogPathString outputPath;
    CTolvelogPathString defaultOutputPath;
    std::atomic<int32_t> sizeLimit{4194304};
    std::atomic<bool> debugOutput{false};
    std::atomic<uint32_t> reservedSize{1024};
};

// Built on first use, so log sites in static initialisers of any part find it ready.
TolveLogSettings& GetTolveLogSettings();
