#include "platform/system_error.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "platform/message_box.h"
#include "support/recording_message_box.h"

namespace corvane {
namespace {

TEST(SystemErrorTest, MessageCarriesTheTextAndTheSystemReason) {
    ASSERT_LT(::open("/nonexistent-folder/file", O_WRONLY | O_CREAT, 0600), 0);
    CSystemError error("x");
    EXPECT_EQ(error.GetMessage(), "x\nNo such file or directory\n");
    EXPECT_EQ(errno, ENOENT);

    errno = EACCES;
    EXPECT_EQ(CSystemError("").GetMessage(), "Permission denied\n");
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(GetErrorText(123456), "");
}

TEST(SystemErrorTest, ReportAndShowLastErrorUseTheMessageBox) {
    test::RecordingMessageBox boxes;
    boxes.QueueAnswer(IDOK);
    EXPECT_EQ(CGeneralError("boom").Report(), IDOK);
    errno = 123456;
    ShowLastError();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, "boom");
    EXPECT_EQ(boxes.boxes()[0].caption, "\x83\x47\x83\x89\x81\x5B");  // エラー
    EXPECT_EQ(boxes.boxes()[0].flags, MB_OK);
    EXPECT_EQ(boxes.boxes()[1].text, "");
    EXPECT_EQ(boxes.boxes()[1].caption, "Error");
    EXPECT_EQ(boxes.boxes()[1].flags, MB_ICONINFORMATION);
}

TEST(MessageBoxTest, DefaultButtonAnswersWithoutAHandler) {
    ASSERT_EQ(GetMessageBoxHandler(), nullptr);
    EXPECT_EQ(ShowMessageBox("t", "c", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(DefaultAnswer(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(DefaultAnswer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(DefaultAnswer(MB_OK), IDOK);
    {
        test::RecordingMessageBox boxes;
        boxes.QueueAnswer(IDNO);
        EXPECT_EQ(ShowMessageBox("t", "c", MB_YESNO), IDNO);
        EXPECT_EQ(GetMessageBoxHandler(), &boxes);
    }
    EXPECT_EQ(GetMessageBoxHandler(), nullptr);
}

}  // namespace
}  // namespace corvane
