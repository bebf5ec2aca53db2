// "Connection.info": each scenario runs a copy of online_connection_child in a folder of its
// own, beside the scenario's "Connection.info" (and "QZLOG.ini"), and reads back the URLs,
// queries, bodies and log lines the child reports.
#include "online/ConnectionFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

const bool g_privateAppData = testsupport::UsePrivateAppData("online_connectioninfo_test");

const char kChild[] = "..\\online_connection_child.exe";

class CScenario {
public:
    explicit CScenario(const std::string& tag) : m_cProgram(kChild, "conn_" + tag) {}

    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(m_cProgram.Folder() + name, std::ios::binary | std::ios::trunc) << bytes;
    }
    void WriteConnectionInfo(const std::string& bytes) const { WriteFile("Connection.info", bytes); }

    // Runs the child; the report's "key=value" lines by key.
    std::map<std::string, std::string> Run(const std::vector<std::string>& commands) const
    {
        std::map<std::string, std::string> answers;
        EXPECT_TRUE(m_cProgram.Copied());
        EXPECT_EQ(m_cProgram.Run(commands), 0u);
        const std::string report = testsupport::ReadFileBytes(m_cProgram.Folder() + "report.txt");
        size_t start = 0;
        for (size_t end; (end = report.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = report.substr(start, end - start);
            const size_t equals = line.find('=');
            answers[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return answers;
    }

    std::string Log() const { return testsupport::ReadFileBytes(m_cProgram.Folder() + "child.log"); }
    const std::string& Folder() const { return m_cProgram.Folder(); }

private:
    testsupport::CCopiedProgram m_cProgram;
};

std::string BuiltinURL(uint32_t id)
{
    size_t count = 0;
    const ConnectionRow* rows = GetBuiltinConnectionRows(count);
    for (size_t i = 0; i < count; ++i) {
        if (rows[i].m_uId == id) return rows[i].m_pszURL;
    }
    return std::string();
}

// Every id 0 to 45 answers its built-in URL except those named.
void ExpectURLs(const std::map<std::string, std::string>& answers,
                const std::map<uint32_t, std::string>& changed)
{
    for (uint32_t id = 0; id <= 45; ++id) {
        SCOPED_TRACE(id);
        const auto found = answers.find("url" + std::to_string(id));
        ASSERT_NE(found, answers.end());
        const auto change = changed.find(id);
        EXPECT_EQ(found->second, change != changed.end() ? change->second : BuiltinURL(id));
    }
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++count;
    return count;
}

TEST(ConnectionInfo, LinesReplaceURLsOfKnownIdsOnly)
{
    const struct {
        const char* tag;
        std::string file;
        std::map<uint32_t, std::string> changed;
        std::vector<int> refused; // ids logged as unknown
    } cases[] = {
        {"none", "", {}, {}},
        // Quotes keep a comma in the URL; further fields are ignored.
        {"quoted", "12,\"http://a.example/x,y\",extra,fields\r\n", {{12, "http://a.example/x,y"}}, {}},
        {"escaped", "5,\"http://a.example/\"\"q\"\"\"\r\n", {{5, "http://a.example/\"q\""}}, {}},
        {"unknown", "99,http://a.example/\r\n-1,http://b.example/\r\n", {}, {99, -1}},
        // Blanks and a sign before the digits; no digits at all read as 0.
        {"number", "  +7,http://seven.example/\r\nabc,http://zero.example/\r\n",
         {{7, "http://seven.example/"}, {0, "http://zero.example/"}}, {}},
        {"onefield", "3\r\n4,\r\n", {{4, ""}}, {}},
        {"laterwins", "1,http://first.example/\r\n1,http://second.example/\r\n",
         {{1, "http://second.example/"}}, {}},
        {"emptyline", "1,http://one.example/\r\n\r\n2,http://two.example/\r\n",
         {{1, "http://one.example/"}}, {}},
        {"lonelf", "1,http://one.example/\n2,http://two.example/\n3,http://three.example/",
         {{1, "http://one.example/"}, {2, "http://two.example/"}, {3, "http://three.example/"}}, {}},
        // A lone LF before a later CR LF still ends its own line.
        {"mixed", "1,http://one.example/\n2,http://two.example/\r\n3,http://three.example/\r\n",
         {{1, "http://one.example/"}, {2, "http://two.example/"}, {3, "http://three.example/"}}, {}},
        {"emptylf", "1,http://one.example/\n\n2,http://two.example/\n", {{1, "http://one.example/"}}, {}},
        {"nul", std::string("1,http://one.example/\r\n\0" "2,http://two.example/\r\n", 47),
         {{1, "http://one.example/"}}, {}},
        {"doublebyte", "6,http://a.example/\x95\x5C,\x83\x5C\r\n", {{6, "http://a.example/\x95\x5C"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        CScenario scenario(c.tag);
        if (!c.file.empty()) scenario.WriteConnectionInfo(c.file);
        ExpectURLs(scenario.Run({"urls"}), c.changed);
        const std::string log = scenario.Log();
        EXPECT_EQ(Count(log, "接続ファイル不正 ID:"), c.refused.size()) << log;
        for (const int id : c.refused) {
            EXPECT_NE(log.find("\t接続ファイル不正 ID:" + std::to_string(id) + "\r\n"), std::string::npos)
                << log;
        }
    }
}

TEST(ConnectionInfo, LinesOf1024BytesOrMoreAreNotRead)
{
    // "<id>,http://x.example/" padded with letters to the line's length.
    auto line = [](uint32_t id, size_t length) {
        std::string text = std::to_string(id) + ",http://x.example/";
        return text + std::string(length - text.size(), 'a');
    };
    const std::string read1023 = line(1, 1023);
    const std::string skipped1024 = line(2, 1024);
    const std::string skipped4000 = line(3, 4000);
    const std::string after = "4,http://after.example/";

    CScenario lines("long");
    lines.WriteConnectionInfo(read1023 + "\r\n" + skipped1024 + "\r\n" + skipped4000 + "\n" +
                              after + "\r\n" + line(5, 1023));
    ExpectURLs(lines.Run({"urls"}),
               {{1, read1023.substr(2)}, {4, "http://after.example/"}, {5, line(5, 1023).substr(2)}});

    // A last line of 1024 bytes without a line end is not read either.
    CScenario last("longlast");
    last.WriteConnectionInfo(after + "\r\n" + line(6, 1024));
    ExpectURLs(last.Run({"urls"}), {{4, "http://after.example/"}});
}

TEST(ConnectionInfo, AFileThatCannotBeOpenedFailsTheFirstUseOnly)
{
    CScenario scenario("locked");
    scenario.WriteConnectionInfo("3,http://never.example/\r\n");
    lib::CHandle held(CreateFileA((scenario.Folder() + "Connection.info").c_str(), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    const auto answers = scenario.Run({"url=3", "urls"});
    const std::string report = testsupport::ReadFileBytes(scenario.Folder() + "report.txt");
    EXPECT_EQ(report.substr(0, 6), "url3=\n") << "the first use";
    ExpectURLs(answers, {}); // every later use: the built-in table
    const std::string log = scenario.Log();
    EXPECT_NE(log.find("\tConnection.infoファイルオープン失敗(ERR:0x20)." + scenario.Folder() +
                       "Connection.info\r\n"),
              std::string::npos)
        << log;
}

TEST(ConnectionInfo, ParameterListsStayTheTables)
{
    CScenario scenario("params");
    scenario.WriteConnectionInfo("0,\"http://h.example/p?x=1\",201\r\n3,http://h.example/reg\r\n"
                                 "12,http://h.example/odv,7,32\r\n");
    const auto answers = scenario.Run({"query=0", "query=3", "query=12", "query=30", "post=12"});
    // A URL that holds "?" already gets "&" before the first parameter.
    EXPECT_EQ(answers.at("query0"),
              "http://h.example/p?x=1&pcsoft-userAgent=ua&functionCode=7&nickname=nick");
    EXPECT_EQ(answers.at("query3"), "http://h.example/reg?UserAgent=agent");
    EXPECT_EQ(answers.at("query12"),
              "http://h.example/odv?ccid=&otp=&map_ver=&comp_type=&class=&vics=&max=&range=&geo=&"
              "accuracy=&target_point=&base_point=&vics_link_year=&max_link=&crypto_type=");
    EXPECT_EQ(answers.at("query30"), BuiltinURL(30));
    EXPECT_EQ(answers.at("post12").substr(0, 40), "ccid=CCID&otp=0tp&x=9&map_ver=-/5.000291");
}

TEST(ConnectionInfo, TheTestHelperPointsEveryRowAtAStandIn)
{
    CScenario scenario("standin");
    const std::string base = "http://127.0.0.1:8765/t18";
    const auto answers = scenario.Run({"standin=" + base, "urls"});
    std::map<uint32_t, std::string> changed;
    for (uint32_t id = 0; id < 45; ++id) {
        const std::string url = BuiltinURL(id);
        const size_t host = url.find("://");
        const size_t path = host == std::string::npos ? std::string::npos : url.find('/', host + 3);
        changed[id] = base + (path == std::string::npos ? "" : url.substr(path));
    }
    EXPECT_EQ(changed[24], base + "/pcapp/LogUploadAPI");
    EXPECT_EQ(changed[35], base);
    EXPECT_EQ(changed[41], base);
    ExpectURLs(answers, changed);
    EXPECT_EQ(Count(scenario.Log(), "\t!!\t"), 0u) << scenario.Log();
}

TEST(ConnectionInfo, LoggedBodiesHideSecretsWithTheDebugSwitchOn)
{
    CScenario scenario("masked");
    scenario.WriteFile("QZLOG.ini", "[Log]\r\nRecover=1\r\n");
    const auto answers = scenario.Run({"post=4", "post=26", "post=12"});
    EXPECT_EQ(answers.at("post4"),
              "nick=nick&pass=s3cret%26pw&ccid_head=0005000A&deviceno=0123456789ABCDEF");
    EXPECT_EQ(answers.at("post26"), "nick=nick&pass=s3cret%26pw");
    const std::string log = scenario.Log();
    const struct {
        const char* body;
    } lines[] = {
        {"送信データ(71byte)：nick=nick&pass=***&ccid_head=0005000A&deviceno=0123456789ABCDEF\r\n"},
        {"送信データ(26byte)：nick=nick&pass=***\r\n"},
        {"：ccid=CCID&otp=***&map_ver=-/5.000291&comp_type=0&class=0&vics=125&max=204800&"
         "range=3,3&geo=tokyo&accuracy=8&target_point=tp&base_point=bp&vics_link_year=2010&"
         "max_link=30000&crypto_type=1\r\n"},
    };
    for (const auto& line : lines) {
        const size_t at = log.find(line.body);
        ASSERT_NE(at, std::string::npos) << line.body << "\n" << log;
        const size_t begin = log.rfind('\n', at) + 1;
        EXPECT_NE(log.substr(begin, at - begin).find("\t@@\tConnectionFile.cpp\t"), std::string::npos)
            << log.substr(begin, at - begin);
    }
    EXPECT_EQ(log.find("s3cret"), std::string::npos) << log;
    EXPECT_EQ(log.find("0tp"), std::string::npos) << log;
}

} // namespace
