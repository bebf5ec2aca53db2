#pragma once
// The table of online requests: for each request id the URL to call and the ordered ids of
// the parameters it carries. The table is built in; "Connection.info" beside the program
// can replace URLs (never parameter lists) so that servers can move without a new build.
// One process-wide object holds the table, hands out URLs and builds request bodies from
// its own copy of a job's parameters.

#include "lib/Handle.h"
#include "lib/wfc/CriticalSection.h"
#include "online/ConnectionParameterData.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One request of the table.
struct ConnectionEntry {
    uint32_t m_uId = 0;
    std::string m_strURL;
    std::vector<uint32_t> m_vecParameterIds;
};

// One row of the built-in table: 0 ends the parameter list.
struct ConnectionRow {
    static const size_t PARAMETER_SLOTS = 20;
    uint32_t m_uId; // 0xFFFFFFFF: a row that loading skips
    const char* m_pszURL;
    uint32_t m_auParameterIds[PARAMETER_SLOTS];
};

// The built-in rows, in table order.
const ConnectionRow* GetBuiltinConnectionRows(size_t& count);

class CConnectionFile {
public:
    // The boundary word of every multipart body; the HTTP client is given the same.
    static constexpr const char* MULTIPART_BOUNDARY = "KestrumBoundary";
    // "Connection.info" lines of this many bytes or more are not read.
    static const size_t MAX_LINE_LENGTH = 1024;

    static CConnectionFile& GetInstance();

    // Fills the table from the built-in rows, then applies "Connection.info" from the
    // program's folder. True when done, also without a file; false when the file exists but
    // cannot be read (the built-in rows are in the table either way). Every other member
    // loads the table first while it is empty, so the file is read on the table's first use.
    bool Load();

    // The URL of the id; empty for an unknown id, and when the table was empty and could not
    // be loaded.
    std::string GetURL(uint32_t id);

    // The URL of the id followed by its parameters as a query ("?" before the first, or "&"
    // when the URL holds a "?" already) with the values of the object's own parameters;
    // empty as GetURL and when the URL is empty. The second form first replaces the object's
    // parameters by a copy of the given ones, in the same hold of the lock.
    std::string GetURLWithQuery(uint32_t id);
    std::string GetURLWithQuery(uint32_t id, const CConnectionParameterData& parameters);

    // Replaces the object's own parameters by a copy.
    void SetParameterData(const CConnectionParameterData& parameters);

    // Body builders over the object's own parameters: a form body ("name=value" pairs
    // joined by "&", every parameter of the request written, with its stored value or
    // empty) or a multipart/form-data body (a part per parameter with a value, the "file"
    // parameter's file read whole). No body (and size 0) on failure. The bytes carry no
    // terminating zero.
    // The two-step form (SetParameterData, then a builder) may interleave with another
    // thread's; jobs use the forms that take their parameters, which copy them and build
    // in one hold of the table's lock.
    lib::CMallocBuffer CreatePostData(uint32_t id, uint32_t& size);
    lib::CMallocBuffer CreatePostData(uint32_t id, const CConnectionParameterData& parameters,
                                      uint32_t& size);
    lib::CMallocBuffer CreateMultiPartData(uint32_t id, uint32_t& size);
    lib::CMallocBuffer CreateMultiPartData(uint32_t id,
                                           const CConnectionParameterData& parameters,
                                           uint32_t& size);

private:
    CConnectionFile() = default;
    ~CConnectionFile() = default;
    CConnectionFile(const CConnectionFile&) = delete;
    CConnectionFile& operator=(const CConnectionFile&) = delete;

    // Under the lock: loads an empty table; false when that failed.
    bool _LoadIfEmpty();
    // Under the lock: the entry of the id, or null; logs nothing.
    const ConnectionEntry* _Find(uint32_t id) const;
    bool _ReadFile(const std::string& path);
    void _ApplyLine(const char* line);
    std::string _BuildURLWithQuery(uint32_t id);
    // The checks shared by both builders; null (logged) when no body can be built.
    const ConnectionEntry* _EntryForBody(uint32_t id);
    lib::CMallocBuffer _BuildPostData(uint32_t id, uint32_t& size);
    lib::CMallocBuffer _BuildMultiPartData(uint32_t id, uint32_t& size);

    // Guards the table, the object's parameters and every read of them: the pair "set the
    // parameters, build" of one job never meets another job's parameters.
    lib::wfc::CCriticalSection m_csTable;
    std::map<uint32_t, ConnectionEntry> m_mapEntries;
    CConnectionParameterData m_cParameters;
};
