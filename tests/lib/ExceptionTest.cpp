#include "lib/Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(ExceptionTest, FileNotFoundCaughtByEveryRuntimeBase)
{
    const lib::FileNotFoundException e("gone");
    EXPECT_THROW(throw e, lib::IOException);
    EXPECT_THROW(throw e, lib::RuntimeException);
    EXPECT_THROW(throw e, lib::Exception);
    EXPECT_THROW(throw e, std::runtime_error);
    EXPECT_THROW(throw e, std::exception);
    EXPECT_STREQ("gone", e.what());
}

TEST(ExceptionTest, IllegalArgumentIsLogicNotRuntime)
{
    const lib::IlligalArgumentException e("bad");
    EXPECT_THROW(throw e, lib::LogicalException);
    EXPECT_THROW(throw e, lib::Exception);
    EXPECT_THROW(throw e, std::logic_error);
    bool caughtAsRuntime = false;
    try {
        try {
            throw e;
        } catch (const lib::RuntimeException&) {
            caughtAsRuntime = true;
        }
    } catch (const lib::LogicalException&) {
    }
    EXPECT_FALSE(caughtAsRuntime);
}

TEST(ExceptionTest, DefaultMessageIsEmpty)
{
    EXPECT_STREQ("", lib::IOException().what());
    EXPECT_STREQ("", lib::FileNotFoundException().what());
    EXPECT_STREQ("", lib::IlligalArgumentException().what());
}

TEST(ExceptionTest, ThrowRaisesACopyOfTheExactClass)
{
    const lib::IOException io("IOエラー：ディレクトリ作成失敗");
    const lib::RuntimeException& base = io;
    try {
        base.Throw();
        FAIL() << "nothing thrown";
    } catch (const lib::FileNotFoundException&) {
        FAIL() << "wrong class";
    } catch (const lib::IOException& caught) {
        EXPECT_STREQ(io.what(), caught.what());
        EXPECT_NE(&io, &caught);
    }
    const lib::IlligalArgumentException arg("x");
    const lib::LogicalException& logical = arg;
    EXPECT_THROW(logical.Throw(), lib::IlligalArgumentException);
}

} // namespace
