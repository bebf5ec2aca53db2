// Request bodies: form bodies and their failures, multipart bodies with a file, and the
// combined forms from two threads at once.
#include "online/ConnectionFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>

namespace {

const char kFailure[] = "<none>";

struct Body {
    std::string bytes; // kFailure when no body came back
    uint32_t size;
};

Body PostData(uint32_t id, const CConnectionParameterData* parameters)
{
    uint32_t size = 777;
    CConnectionFile& table = CConnectionFile::GetInstance();
    const lib::CMallocBuffer body = parameters != nullptr
                                        ? table.CreatePostData(id, *parameters, size)
                                        : table.CreatePostData(id, size);
    return {body != nullptr ? std::string(body.get(), size) : kFailure, size};
}

Body MultiPartData(uint32_t id, const CConnectionParameterData& parameters)
{
    uint32_t size = 777;
    const lib::CMallocBuffer body =
        CConnectionFile::GetInstance().CreateMultiPartData(id, parameters, size);
    return {body != nullptr ? std::string(body.get(), size) : kFailure, size};
}

std::string WriteFile(const std::string& name, const std::string& bytes)
{
    const std::string path = testsupport::PrivateRoot() + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

// The whole line of a log text whose text column is exactly `text`.
bool HasErrorLine(const testsupport::CLogCapture& log, const std::string& text)
{
    return log.HasLine("!!", "ConnectionFile.cpp", "\t" + text + "\r\n");
}

TEST(PostData, WritesEveryParameterOfTheRequestAlsoWithoutAValue)
{
    CConnectionParameterData parameters;
    parameters.SetVersion(10, 0);
    EXPECT_EQ(PostData(5, &parameters).bytes, "aplver=&apltype=");
    // The two-step form builds from what was handed over last.
    parameters.SetNumber(11, 3);
    CConnectionFile::GetInstance().SetParameterData(parameters);
    const Body body = PostData(5, nullptr);
    EXPECT_EQ(body.bytes, "aplver=&apltype=0003");
    EXPECT_EQ(body.size, 20u);
    EXPECT_EQ(PostData(19, &parameters).bytes,
              "fc=&ccid_head=&deviceno=&count_data=&type01_%02d=&type02_%02d=&ver_%02d=&"
              "date_%02d=&cl_%02d=");
}

TEST(PostData, NothingForAnUnknownRequestOrOneWithoutParameters)
{
    const struct {
        uint32_t id;
        const char* line;
    } cases[] = {
        {45, "送信データ作成失敗:該当リストなし"},
        {0xFFFFFFFF, "送信データ作成失敗:該当リストなし"},
        {30, "送信データ作成失敗"},
        {11, "送信データ作成失敗"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        testsupport::CLogCapture log;
        const Body body = PostData(c.id, nullptr);
        EXPECT_EQ(body.bytes, kFailure);
        EXPECT_EQ(body.size, 0u);
        EXPECT_TRUE(HasErrorLine(log, c.line)) << log.Text();
    }
}

// ----------------------------------------------------------------------------------------
// Multipart bodies (request 24: ccid_head, deviceno, file)

std::string Part(const std::string& name, const std::string& content)
{
    return "--KestrumBoundary\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
           content + "\r\n";
}

std::string FilePart(const std::string& fileName, const std::string& content)
{
    return "--KestrumBoundary\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
           fileName + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" + content + "\r\n";
}

CConnectionParameterData LogUpload(const std::string& path)
{
    CConnectionParameterData parameters;
    EXPECT_TRUE(parameters.SetLogUpload("0123456789ABCDEF", 0x000A0005, path.c_str()));
    return parameters;
}

TEST(MultiPartData, PartsInTheRequestsOrderWithTheFileReadWhole)
{
    // Bytes a text reader would stop at or change: NUL, CR LF, a boundary-like line.
    const std::string content = std::string("PK\x03\x04\0\r\n--KestrumBoundary\r\n\xFF", 23);
    const std::string path = WriteFile("log.zip", content);
    const Body body = MultiPartData(24, LogUpload(path));
    const std::string expected = Part("ccid_head", "0005000A") +
                                 Part("deviceno", "0123456789ABCDEF") +
                                 FilePart("log.zip", content) + "--KestrumBoundary--";
    EXPECT_EQ(body.bytes, expected);
    EXPECT_EQ(body.size, expected.size());
}

TEST(MultiPartData, AFileNameLongerThanAShortHeaderBufferStaysWhole)
{
    // A path of up to 259 characters: the part header passes 255 bytes.
    const size_t room = 259 - testsupport::PrivateRoot().size() - 4;
    ASSERT_GT(room, 200u) << testsupport::PrivateRoot();
    const std::string name = std::string(room, 'n') + ".zip";
    const std::string path = WriteFile(name, "zip");
    const Body body = MultiPartData(24, LogUpload(path));
    const std::string part = FilePart(name, "zip");
    ASSERT_GT(part.find("\r\n\r\n"), 255u);
    EXPECT_EQ(body.bytes, Part("ccid_head", "0005000A") + Part("deviceno", "0123456789ABCDEF") +
                              part + "--KestrumBoundary--");
}

TEST(MultiPartData, AnEmptyOrMissingFileGivesNoBody)
{
    const std::string empty = WriteFile("empty.zip", "");
    const std::string missing = testsupport::PrivateRoot() + "missing.zip";
    const struct {
        std::string path;
        std::string line;
    } cases[] = {
        {empty, "送信データ作成失敗:必須データなし"},
        {missing, "送信データ作成失敗:ファイルオープン失敗 PATH:" + missing},
        {testsupport::PrivateRoot(), "送信データ作成失敗:ファイルオープン失敗 PATH:" +
                                         testsupport::PrivateRoot()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        testsupport::CLogCapture log;
        const Body body = MultiPartData(24, LogUpload(c.path));
        EXPECT_EQ(body.bytes, kFailure);
        EXPECT_EQ(body.size, 0u);
        EXPECT_TRUE(HasErrorLine(log, c.line)) << log.Text();
    }
}

TEST(MultiPartData, AnEmptyValueIsLeftOutUnlessItIsRequired)
{
    // Request 8: fc, ccid, uid (not required), nickname (required).
    CConnectionParameterData parameters;
    ASSERT_TRUE(parameters.SetProbeParameter("nick", "CC", "", 3));
    EXPECT_EQ(MultiPartData(8, parameters).bytes,
              Part("fc", "03") + Part("ccid", "CC") + Part("nickname", "nick") +
                  "--KestrumBoundary--");

    ASSERT_TRUE(parameters.SetProbeParameter(nullptr, "CC", "U", 3));
    testsupport::CLogCapture log;
    EXPECT_EQ(MultiPartData(8, parameters).bytes, kFailure);
    EXPECT_TRUE(HasErrorLine(log, "送信データ作成失敗:必須データなし")) << log.Text();

    testsupport::CLogCapture unknown;
    EXPECT_EQ(MultiPartData(45, parameters).bytes, kFailure);
    EXPECT_TRUE(HasErrorLine(unknown, "送信データ作成失敗:該当リストなし")) << unknown.Text();
}

// ----------------------------------------------------------------------------------------
// The combined forms keep two jobs' parameters apart.

TEST(CombinedForms, TwoThreadsEachGetTheirOwnBody)
{
    CConnectionParameterData check;
    ASSERT_TRUE(check.SetLogUploadCheck("0123456789ABCDEF", 0x000A0005));
    CConnectionParameterData auth;
    ASSERT_TRUE(auth.SetUserAuthentication("nick", "pw", "FEDCBA9876543210", 0x00010002));
    const std::string checkBody = "ccid_head=0005000A&deviceno=0123456789ABCDEF";
    const std::string authBody = "nick=nick&pass=pw&ccid_head=00020001&deviceno=FEDCBA9876543210";
    ASSERT_EQ(PostData(23, &check).bytes, checkBody);
    ASSERT_EQ(PostData(4, &auth).bytes, authBody);

    std::atomic<int> wrong{0};
    std::atomic<bool> go{false};
    const int rounds = 3000;
    auto run = [&](uint32_t id, const CConnectionParameterData* parameters, const std::string& own) {
        while (!go.load()) std::this_thread::yield();
        for (int i = 0; i < rounds; ++i) {
            if (PostData(id, parameters).bytes != own) ++wrong;
        }
    };
    std::thread first(run, 23, &check, checkBody);
    std::thread second(run, 4, &auth, authBody);
    go = true;
    first.join();
    second.join();
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
