#include "lib/SystemVersion.h"

#include "lib/Handle.h"
#include "lib/TolveLog.h"

#include <cstring>
#include <vector>

namespace lib {

namespace {

// Owners of what the administrator test makes, so every early return frees them.
class CScopedSid {
public:
    CScopedSid() = default;
    ~CScopedSid() { if (m_pSid != nullptr) FreeSid(m_pSid); }
    CScopedSid(const CScopedSid&) = delete;
    CScopedSid& operator=(const CScopedSid&) = delete;
    PSID* Out() { return &m_pSid; }
    PSID Get() const { return m_pSid; }

private:
    PSID m_pSid = nullptr;
};

bool QueryVersion(OSVERSIONINFOA& info)
{
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) {
        TOLVE_LOG(LOG_ERROR, "GetVersionEx失敗 ERR:0x%08lX", GetLastError());
        return false;
    }
    return true;
}

} // namespace

OSVersionKind ClassifyOSVersion(const OSVersionFacts& facts)
{
    const bool nt = facts.dwPlatformId == VER_PLATFORM_WIN32_NT;
    const bool win9x = facts.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
    const char* servicePack = facts.pszServicePack ? facts.pszServicePack : "";

    if (facts.dwMajor > 6) return nt ? OSKIND_WIN8_OR_LATER : OSKIND_UNKNOWN;
    switch (facts.dwMajor) {
    case 6:
        if (!nt) return OSKIND_UNKNOWN;
        if (facts.dwMinor == 0) return facts.bServerProduct ? OSKIND_SERVER2008 : OSKIND_VISTA;
        if (facts.dwMinor == 1) return OSKIND_WIN7;
        return OSKIND_WIN8_OR_LATER;
    case 5:
        if (!nt) return OSKIND_UNKNOWN;
        if (facts.dwMinor == 0) return OSKIND_WIN2000;
        if (facts.dwMinor == 1) return OSKIND_WINXP;
        if (facts.dwMinor == 2) return facts.bServerR2 ? OSKIND_WIN2003_R2 : OSKIND_WIN2003;
        return OSKIND_UNKNOWN;
    case 4:
        if (nt) return facts.dwMinor == 0 ? OSKIND_NT4 : OSKIND_UNKNOWN;
        if (!win9x) return OSKIND_UNKNOWN;
        // The service-pack text is " B" or " C" for the OSR releases and " A" for 98 SE;
        // the whole text is compared, case ignored.
        if (facts.dwMinor == 0)
            return lstrcmpiA(servicePack, " C") > 0 ? OSKIND_WIN95_OSR2 : OSKIND_WIN95;
        if (facts.dwMinor == 10)
            return lstrcmpiA(servicePack, " A") > 0 ? OSKIND_WIN98_SE : OSKIND_WIN98;
        if (facts.dwMinor == 90) return OSKIND_WINME;
        return OSKIND_UNKNOWN;
    case 3:
        return (nt && facts.dwMinor == 51) ? OSKIND_NT351 : OSKIND_UNKNOWN;
    default:
        return OSKIND_UNKNOWN;
    }
}

OSVersionKind GetOSVersionKind()
{
    OSVERSIONINFOA info;
    if (!QueryVersion(info)) return OSKIND_UNKNOWN;
    OSVersionFacts facts = {info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId,
                            info.szCSDVersion, false, false};
    // Each further question only for the one version it tells apart.
    if (info.dwMajorVersion == 5 && info.dwMinorVersion == 2)
        facts.bServerR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    if (info.dwMajorVersion == 6 && info.dwMinorVersion == 0) facts.bServerProduct = IsServerProduct();
    return ClassifyOSVersion(facts);
}

bool IsServerProduct()
{
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
        TOLVE_LOG(LOG_ERROR, "GetVersionEx(EX)失敗 ERR:0x%08lX", GetLastError());
        return false;
    }
    return info.wProductType == VER_NT_SERVER;
}

bool IsWindowsXP()
{
    return GetOSVersionKind() == OSKIND_WINXP;
}

bool IsVistaOrLater()
{
    return GetOSVersionKind() >= OSKIND_VISTA;
}

bool IsAdministrator()
{
    CHandle token;
    const DWORD access = TOKEN_DUPLICATE | TOKEN_QUERY;
    if (!OpenThreadToken(GetCurrentThread(), access, TRUE, token.Out())) {
        const DWORD error = GetLastError();
        if (error != ERROR_NO_TOKEN) {
            TOLVE_LOG(LOG_ERROR, "OpenThreadToken失敗 ERR:0x%08lX", error);
            return false;
        }
        if (!OpenProcessToken(GetCurrentProcess(), access, token.Out())) {
            TOLVE_LOG(LOG_ERROR, "OpenProcessToken失敗 ERR:0x%08lX", GetLastError());
            return false;
        }
    }
    return IsAdminToken(token.Get());
}

bool IsAdminToken(HANDLE token)
{
    // AccessCheck wants an impersonation token, whatever kind the caller holds.
    CHandle impersonation;
    if (!DuplicateToken(token, SecurityImpersonation, impersonation.Out())) {
        TOLVE_LOG(LOG_ERROR, "DuplicateToken失敗 ERR:0x%08lX", GetLastError());
        return false;
    }

    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    CScopedSid admins;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, admins.Out())) {
        TOLVE_LOG(LOG_ERROR, "AllocateAndInitializeSid失敗 ERR:0x%08lX", GetLastError());
        return false;
    }

    // A descriptor that grants read and write to Administrators only: the token passes the
    // check for read exactly when that group is enabled in it.
    const DWORD accessRead = 1;
    const DWORD accessWrite = 2;
    const DWORD aclSize = static_cast<DWORD>(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) +
                                             GetLengthSid(admins.Get()) - sizeof(DWORD));
    std::vector<unsigned char> aclBuffer(aclSize);
    PACL acl = reinterpret_cast<PACL>(aclBuffer.data());
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !InitializeAcl(acl, aclSize, ACL_REVISION2) ||
        !AddAccessAllowedAce(acl, ACL_REVISION2, accessRead | accessWrite, admins.Get()) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorGroup(&descriptor, admins.Get(), FALSE) ||
        !SetSecurityDescriptorOwner(&descriptor, admins.Get(), FALSE) ||
        !IsValidSecurityDescriptor(&descriptor)) {
        TOLVE_LOG(LOG_ERROR, "セキュリティ記述子作成失敗 ERR:0x%08lX", GetLastError());
        return false;
    }

    GENERIC_MAPPING mapping = {accessRead, accessWrite, 0, accessRead | accessWrite};
    PRIVILEGE_SET privileges;
    DWORD privilegesSize = sizeof privileges;
    DWORD granted = 0;
    BOOL status = FALSE;
    if (!AccessCheck(&descriptor, impersonation.Get(), accessRead, &mapping, &privileges,
                     &privilegesSize, &granted, &status)) {
        TOLVE_LOG(LOG_ERROR, "AccessCheck失敗 ERR:0x%08lX", GetLastError());
        return false;
    }
    return status != FALSE;
}

} // namespace lib
