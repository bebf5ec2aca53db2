#include "lib/RefString.h"

#include "lib/DbcsText.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace lib {

namespace {

// The shared empty text: header {-1, 1, 0} and a NUL.
struct EmptyBlock {
    long refCount = -1;
    int32_t allocLength = 1;
    int32_t length = 0;
    char text[4] = {};
};
EmptyBlock g_empty;

} // namespace

char* CRefString::EmptyText() { return g_empty.text; }

CRefString::Header* CRefString::HeaderOf(const char* text)
{
    return reinterpret_cast<Header*>(const_cast<char*>(text)) - 1;
}

CRefString::CRefString() : m_pText(EmptyText()) {}

CRefString::CRefString(const char* text) : m_pText(EmptyText())
{
    if (text != nullptr) AssignCopy(text, static_cast<uint32_t>(std::strlen(text)));
}

CRefString::CRefString(const CRefString& other) : m_pText(other.m_pText)
{
    Header* header = HeaderOf(m_pText);
    if (header->refCount >= 0) InterlockedIncrement(&header->refCount);
}

CRefString& CRefString::operator=(const CRefString& other)
{
    if (this == &other || m_pText == other.m_pText) return *this;
    Release();
    m_pText = other.m_pText;
    Header* header = HeaderOf(m_pText);
    if (header->refCount >= 0) InterlockedIncrement(&header->refCount);
    return *this;
}

CRefString::~CRefString() { Release(); }

uint32_t CRefString::GetLength() const { return static_cast<uint32_t>(HeaderOf(m_pText)->length); }

void CRefString::Release()
{
    Header* header = HeaderOf(m_pText);
    if (header->refCount >= 0 && InterlockedDecrement(&header->refCount) == 0) {
        std::free(header);
    }
    m_pText = EmptyText();
}

bool CRefString::AssignCopy(const char* text, uint32_t length)
{
    const size_t copied = (text == nullptr || length == 0) ? 0 : DbcsCutLength(text, length);
    if (copied == 0) {
        Release();
        return true;
    }
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + copied + 1));
    if (header == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    header->refCount = 1;
    header->allocLength = static_cast<int32_t>(copied);
    header->length = static_cast<int32_t>(copied);
    char* block = reinterpret_cast<char*>(header + 1);
    std::memcpy(block, text, copied);
    block[copied] = '\0';
    Release();
    m_pText = block;
    return true;
}

} // namespace lib
