#pragma once
// Reference-counted text for the reply parsers: copies share one heap block.
// The block starts with three 32-bit words {reference count, allocated length, length}
// followed by the text and its NUL. A negative count marks the process-wide empty text,
// which is never freed.

#include <cstdint>

namespace lib {

class CRefString {
public:
    CRefString();
    explicit CRefString(const char* text);
    CRefString(const CRefString& other);
    CRefString& operator=(const CRefString& other);
    ~CRefString();

    const char* GetString() const { return m_pText; }
    uint32_t GetLength() const;

    // Drops this copy's reference; the string becomes the shared empty text.
    void Release();

    // Copies at most `length` bytes of text (stopping at its NUL, never splitting a
    // double-byte character) into a block of its own. False with last error 8 when memory
    // ran out; the string is then unchanged.
    bool AssignCopy(const char* text, uint32_t length);

private:
    struct Header {
        volatile long refCount;
        int32_t allocLength;
        int32_t length;
    };
    static Header* HeaderOf(const char* text);
    static char* EmptyText();

    char* m_pText;
};

} // namespace lib
