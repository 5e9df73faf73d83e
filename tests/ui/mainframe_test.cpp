// The installer window in this process, not shown: what its notifications
// and the model's reports change on the page. The shipped skin and bundle;
// invented drives.

#include "model/fake_drives.h"
#include "model/vpdownloader_model.h"
#include "skinui/containers.h"
#include "skinui/controls.h"
#include "skinui/resources.h"
#include "shipped_skin.h"
#include "test_support.h"
#include "ui/vpdownloader_mainframe.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class MainFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { files_ = testing_support::shippedSkin().release(); }
    static void TearDownTestSuite()
    {
        delete files_;
        files_ = nullptr;
    }

    void SetUp() override
    {
        SkinUI::setFileSource(files_);
        drives_.reset(new testing_support::FakeDrives({testing_support::fixedDrive(L"D:\\", 50000)}));
        model_ = VPDownloaderModel::instance();
        model_->setInstallDir(L"D:\\Kolvex\\vpplayer2\\");
        frame_ = new VPDownloaderMainFrame;
        ASSERT_TRUE(frame_->create(nullptr, nullptr, WS_POPUP, 0));
    }

    void TearDown() override
    {
        // The window deletes itself and tears the model down.
        if (frame_ && frame_->hwnd()) ::DestroyWindow(frame_->hwnd());
        VPDownloaderModel::destroy();
        drives_.reset();
        SkinUI::setFileSource(nullptr);
        // The final step ends the loop of a real run; here it only leaves
        // its quit message behind.
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    SkinUI::CControlUI* control(const wchar_t* name)
    {
        SkinUI::CControlUI* c = frame_->findControl(name);
        EXPECT_TRUE(c) << "no control";
        return c;
    }
    std::wstring text(const wchar_t* id) { return model_->stringById(id); }
    void click(const wchar_t* name) { frame_->sendNotify(control(name), L"click"); }
    int bar() { return dynamic_cast<SkinUI::CProgressUI*>(control(L"installprogressbar"))->value(); }

    static ui::skin::SkinFiles* files_;
    std::unique_ptr<testing_support::FakeDrives> drives_;
    VPDownloaderModel* model_ = nullptr;
    VPDownloaderMainFrame* frame_ = nullptr;
};

ui::skin::SkinFiles* MainFrameTest::files_ = nullptr;

TEST_F(MainFrameTest, StartsOnTheFastViewWithTheModelsFolderAndTexts)
{
    EXPECT_EQ(dynamic_cast<SkinUI::CTabLayoutUI*>(control(L"maintab"))->currentSelection(), 0);
    EXPECT_FALSE(control(L"userdefinitionsui")->isVisible());
    EXPECT_FALSE(control(L"backBtn")->isVisible());
    EXPECT_TRUE(control(L"userdefinitionBtn")->isVisible());
    EXPECT_EQ(control(L"pathedit")->text(), L"D:\\Kolvex\\vpplayer2\\");
    EXPECT_EQ(control(L"installnowbtn")->text(), text(L"Button_install_fast"));
    EXPECT_EQ(control(L"loadingprogresslabel")->text(), text(L"progress_downloading_label"));
    EXPECT_EQ(control(L"homepageBtn")->text(), text(L"homepage"));
    EXPECT_TRUE(control(L"installnowbtn")->isEnabled());
    EXPECT_FALSE(control(L"errorpathnoticeui")->isVisible());
    wchar_t caption[64] = {};
    ::GetWindowTextW(frame_->hwnd(), caption, 64);
    EXPECT_EQ(caption, text(L"Title_wndTitle"));
    // The bundle was loaded: the texts are not their ids.
    EXPECT_NE(text(L"Button_install_fast"), L"Button_install_fast");
}

TEST_F(MainFrameTest, ViewsAlternateKeepTheFolderTextAndNameTheButton)
{
    click(L"userdefinitionBtn");
    EXPECT_TRUE(control(L"userdefinitionsui")->isVisible());
    EXPECT_TRUE(control(L"backBtn")->isVisible());
    EXPECT_FALSE(control(L"userdefinitionBtn")->isVisible());
    EXPECT_TRUE(control(L"direction_left")->isVisible());
    EXPECT_FALSE(control(L"direction_right")->isVisible());
    EXPECT_EQ(control(L"installnowbtn")->text(), text(L"Button_install_now"));
    click(L"backBtn");
    EXPECT_FALSE(control(L"userdefinitionsui")->isVisible());
    EXPECT_EQ(control(L"installnowbtn")->text(), text(L"Button_install_fast"));
    EXPECT_EQ(control(L"pathedit")->text(), L"D:\\Kolvex\\vpplayer2\\");
}

TEST_F(MainFrameTest, LicenceOptionAndFolderDecideTheInstallButton)
{
    auto* option = dynamic_cast<SkinUI::COptionUI*>(control(L"acceptprotocolopt"));
    option->setSelected(false);
    frame_->sendNotify(option, L"selectchanged");
    EXPECT_FALSE(control(L"installnowbtn")->isEnabled());
    option->setSelected(true);
    frame_->sendNotify(option, L"selectchanged");
    EXPECT_TRUE(control(L"installnowbtn")->isEnabled());

    // A folder on a drive that does not exist: stored, shown, refused.
    frame_->applyChosenFolder(L"Q:\\Games");
    EXPECT_EQ(model_->getInstallDir(), L"Q:\\Games\\vpplayer2\\");
    EXPECT_EQ(control(L"pathedit")->text(), L"Q:\\Games\\vpplayer2\\");
    EXPECT_TRUE(control(L"errorpathnoticeui")->isVisible());
    EXPECT_FALSE(control(L"installnowbtn")->isEnabled());
    EXPECT_EQ(control(L"pathedit")->attribute(L"normalimage"),
              L"file='error_edit_bg.png' source='0,0,10,10' corner='4,4,4,4'");
}

TEST_F(MainFrameTest, LeavingTheEditHandsItsTextToTheModel)
{
    SkinUI::CControlUI* edit = control(L"pathedit");
    edit->setText(L" D:/Games ");
    frame_->sendNotify(edit, L"killfocus");
    EXPECT_EQ(model_->getInstallDir(), L"D:\\Games\\vpplayer2\\");
    EXPECT_EQ(edit->text(), L"D:\\Games\\vpplayer2\\");
    EXPECT_EQ(edit->attribute(L"normalimage"), L"file='browse_button.png' source='0,0,10,10' corner='4,4,4,4'");

    // A drive root gets the maker's folder.
    edit->setText(L"D:\\");
    frame_->sendNotify(edit, L"killfocus");
    EXPECT_EQ(model_->getInstallDir(), L"D:\\Bexmoor\\vpplayer2\\");
}

TEST_F(MainFrameTest, DownloadReportsRewriteTheProgressPage)
{
    frame_->selectPage(2);
    frame_->onProgress(45, 13107200, 300000000);
    EXPECT_EQ(control(L"downloadProgressLabel")->text(), L"12.50M/286.10M");
    EXPECT_EQ(control(L"loadingprogresslabel")->text(), text(L"Label_downloading") + L"45%)");
    EXPECT_EQ(bar(), 33);
    // Nothing received: nothing changes.
    frame_->onProgress(50, 0, 300000000);
    EXPECT_EQ(control(L"downloadProgressLabel")->text(), L"12.50M/286.10M");
    EXPECT_EQ(bar(), 33);
    frame_->onProgress(-1, 0, 0);
    EXPECT_EQ(control(L"loadingprogresslabel")->text(), text(L"Label_getversion_info"));
    EXPECT_EQ(control(L"downloadProgressLabel")->text(), L"");
    EXPECT_EQ(bar(), 33);
}

} // namespace
