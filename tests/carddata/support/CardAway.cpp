#include "tests/carddata/support/CardAway.h"

#include "lib/Path.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

CCardAway::CCardAway(char letter)
{
    char prefix[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || prefix[0] != '/') return;
    std::string folder = prefix;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    // tools/wine-prefix keeps the cards beside the prefix: "<build>/cards/<letter>".
    folder = folder.substr(0, folder.rfind('/')) + "/cards/" +
             static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    std::replace(folder.begin(), folder.end(), '/', '\\');
    folder = "Z:" + folder;
    if (lib::PathIsDirectoryStr(folder)) m_strFolder = folder;
}

CCardAway::~CCardAway() { Back(); }

bool CCardAway::Move()
{
    if (!CanMove() || m_bAway) return false;
    m_bAway = MoveFileA(m_strFolder.c_str(), (m_strFolder + ".away").c_str()) != FALSE;
    return m_bAway;
}

bool CCardAway::Back()
{
    if (!m_bAway) return true;
    m_bAway = MoveFileA((m_strFolder + ".away").c_str(), m_strFolder.c_str()) == FALSE;
    return !m_bAway;
}
