#pragma once
// The parameters of the online requests: what each parameter id means on the wire (the
// parameter table), and the container in which a job collects the values of one request,
// stored already formatted and, where the table says so, URL-encoded.

#include <cstdint>
#include <map>
#include <string>

enum ParameterKind : uint32_t {
    PARAMETER_KIND_NUMBER = 0,
    PARAMETER_KIND_IDENTIFIER = 1,
    PARAMETER_KIND_TEXT = 2,
    PARAMETER_KIND_HEX_BYTE = 3,
    PARAMETER_KIND_DATE_TIME = 5,
    PARAMETER_KIND_VERSION = 6,
};

enum ParameterFlag : uint32_t {
    PARAMETER_FLAG_REQUIRED = 0x1,    // a multipart body fails without a value
    PARAMETER_FLAG_URL_ENCODE = 0x100 // the value is URL-encoded when it is set
};

struct ParameterDefinition {
    uint32_t m_uId;
    uint32_t m_uKind;       // ParameterKind
    int32_t m_iMaxLength;   // -1: none
    uint32_t m_uFlags;      // ParameterFlag bits
    const char* m_pszName;  // the name on the wire
    const char* m_pszFormat;
};

// The first row of the parameter table with this id; null when there is none.
const ParameterDefinition* FindParameterDefinition(uint32_t id);

// A form body ("name=value&name=value") as one log text: the value of every secret
// parameter (pass, otp) reads "***", everything else is unchanged. A secret value runs up to the next
// "&" that starts a parameter name of the table followed by "=", so a value that holds "&"
// is hidden whole.
std::string MaskSecretsForLog(const char* body, size_t size);
inline std::string MaskSecretsForLog(const std::string& body)
{
    return MaskSecretsForLog(body.data(), body.size());
}

class CConnectionParameterData {
public:
    CConnectionParameterData() = default;
    virtual ~CConnectionParameterData() = default;
    CConnectionParameterData(const CConnectionParameterData&) = default;
    CConnectionParameterData& operator=(const CConnectionParameterData&) = default;

    // Setters: each replaces the value of the id.
    // A row of kind number whose format prints one integer: the value in that format (at
    // most 19 characters). Other rows store nothing; rows of kind number with any other
    // format log the refusal.
    void SetNumber(uint32_t id, uint32_t value);
    // Any row: the text (null: empty), cut to the row's maximum length in bytes on a
    // character boundary. The row's format is never applied to a text.
    void SetString(uint32_t id, const char* text);
    // Any id, without the table: "%04d%04X" of the low and the high 16 bits.
    void SetCcid(uint32_t id, uint32_t value);
    // A row of kind version: "%X.%06X" of the top 8 and the low 24 bits; 0 gives an empty
    // value.
    void SetVersion(uint32_t id, uint32_t value);

    // Fillers, one per request: each returns false and sets nothing when a required
    // argument (marked *) is missing, a null text or a zero number. A missing optional text
    // gives an empty value.
    // Request 4: nick*, pass*, deviceNo*, ccidHead*.
    bool SetUserAuthentication(const char* nick, const char* pass, const char* deviceNo,
                               uint32_t ccidHead);
    // Request 26: nick*, pass*.
    bool SetDeviceInfo(const char* nick, const char* pass);
    // Request 6: deviceNo*, ccidHead*, functionCode.
    bool SetOneTimePassword(const char* deviceNo, uint32_t ccidHead, uint32_t functionCode);
    // Requests 7, 8 and 10: nickname, ccid*, uid*, functionCode.
    bool SetProbeParameter(const char* nickname, const char* ccid, const char* uid,
                           uint32_t functionCode);
    // Request 9: as SetProbeParameter with the map and application versions, the maker and
    // the navigation model.
    bool SetProbeUploadParameter(uint32_t mapVersion, uint32_t aplVersion, const char* maker,
                                 const char* naviModel, const char* nickname, const char* ccid,
                                 const char* uid, uint32_t functionCode);
    // Request 12: ccid*, otp*, mapVersion*, vics*, targetPoint*, basePoint*, linkYear* and
    // the optional rest. map_ver is "-/%d.%06d" of the map version's top byte and low 24
    // bits; vics_link_year is the link-year word's hexadecimal digits read as decimal.
    bool SetODVParameter(const char* ccid, const char* otp, uint32_t mapVersion, uint32_t vics,
                         const char* targetPoint, const char* basePoint, uint32_t linkYear,
                         const char* range, uint32_t compType, uint32_t classValue,
                         uint32_t maxValue, const char* geo, uint32_t accuracy, uint32_t maxLink,
                         uint32_t cryptoType);
    // Request 23: deviceNo*, ccidHead*.
    bool SetLogUploadCheck(const char* deviceNo, uint32_t ccidHead);
    // Request 24: deviceNo*, ccidHead*, filePath*.
    bool SetLogUpload(const char* deviceNo, uint32_t ccidHead, const char* filePath);

    // The stored value of the id; false (and an empty text) when none was set.
    bool GetValue(uint32_t id, std::string& value) const;
    const std::map<uint32_t, std::string>& Values() const { return m_mapValues; }

private:
    void _Store(uint32_t id, const ParameterDefinition* definition, const std::string& text);

    std::map<uint32_t, std::string> m_mapValues;
};
