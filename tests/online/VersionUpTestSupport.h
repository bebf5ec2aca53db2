#pragma once
// What the version check and package download tests share: the stand-in space of the test
// program with "Connection.info" pointing the version request at it, the messages the
// version-up window receives, and one version request run to its outcome.

#include "lib/Path.h"
#include "online/DownLoadCtrl.h"
#include "tests/online/support/ConnectionInfoForTests.h"
#include "tests/online/support/JobTestSupport.h"
#include "tests/online/support/MessageCapture.h"
#include "tests/online/support/StandIn.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace versionuptest {

const UINT kURLThreadProgress = lib::GetRegisteredMessage("URLThreadProgress");
const UINT kNotifyError = lib::GetRegisteredMessage("QZLNotifyError");
const UINT kDownloadError = lib::GetRegisteredMessage("QZLDownloadNotifyError");
const UINT kLauncherProgress = lib::GetRegisteredMessage("LancherProgress");
const uint32_t kFailed = 0xFFFFFFFF;

const char kVersionPath[] = "/pcapp/GetLatestPCAplZoneAPI";

// What the version request's thread and a download's thread log once they have seen a stop,
// just before they stop their request: a held answer is let go then (CReleaseWhenLogged).
const char kURLThreadStopped[] = "CDownLoadCtrl::_GetURLThread stopped";
const char kDownloadStopped[] = "CDownLoadWorker::_DownLoadThread stopped URL:";

// Each test starts with an empty stand-in space and a fresh window for the messages. The
// first one also writes "Connection.info": the request table reads it once per process,
// and the space's URL never changes.
class CVersionUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const bool written = onlinetest::WriteConnectionInfo(m_standIn.BaseUrl());
        ASSERT_TRUE(m_standIn.IsRunning());
        ASSERT_TRUE(written);
    }

    // One version request: the messages the owner got, up to and with its outcome.
    std::vector<onlinetest::CapturedMessage> RunVersionCheck(CDownLoadCtrl& ctrl)
    {
        m_capture.Clear();
        ctrl.SetNotifyOwner(m_capture.Window(), kURLThreadProgress);
        EXPECT_TRUE(ctrl.StartGetURL());
        EXPECT_TRUE(m_capture.WaitFor(kURLThreadProgress));
        return m_capture.Messages();
    }

    onlinetest::CStandIn m_standIn;
    onlinetest::CMessageCapture m_capture;
};

using onlinetest::DescribeMessages;

} // namespace versionuptest
