#pragma once
// Simulated SD cards for tests and the launcher demo.
//
// tools/wine-prefix maps a few drive letters to host folders and marks them removable, so
// Windows (Wine) treats them as card readers holding a card. A CSimulatedCard takes one of
// those letters: it empties the card when made and again when destroyed, and writes files
// onto it through the drive letter, as the unit would leave them. Its table of letters says
// which test owns which; two test programs running at once must never share one.
//
// Such a drive reports its file system as "NTFS", so the drive manager's FAT check refuses
// it unless that query is scripted through the drive manager's file-system seam.

#include <cstdint>
#include <string>
#include <vector>

class CSimulatedCard {
public:
    explicit CSimulatedCard(char letter);
    ~CSimulatedCard();
    CSimulatedCard(const CSimulatedCard&) = delete;
    CSimulatedCard& operator=(const CSimulatedCard&) = delete;

    char GetLetter() const { return m_cLetter; }
    // "P:\"
    std::string GetRoot() const;
    // The root followed by a path relative to it ("PC\NAVIINFO.DAT").
    std::string GetPath(const std::string& relativePath) const;

    // False when the letter is not a removable drive: the test prefix was made before the
    // letter was added to tools/wine-prefix (delete the build's "wineprefix" folder).
    bool IsRemovable() const;

    // Writes the whole file, creating its folders; false (last error kept) on failure.
    bool WriteFile(const std::string& relativePath, const std::vector<uint8_t>& bytes) const;
    // Sets the file's length, growing it with a hole (cheap, for oversized files).
    bool SetFileLength(const std::string& relativePath, uint64_t length) const;
    bool RemoveFile(const std::string& relativePath) const;
    // Removes everything on the card.
    bool Clear() const;

private:
    char m_cLetter;
};

// A letter that is no drive at all (a card reader without a card is not simulated); 0 when
// every letter is taken.
char FindUnusedDriveLetter();
