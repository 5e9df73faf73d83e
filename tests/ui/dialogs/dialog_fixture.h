#pragma once
// The shipped skin as the toolkit's file source, an owner window, and ways
// to find and click the toolkit windows the dialogs open.

#include "message_pump.h"
#include "shipped_skin.h"
#include "skinui/multi_language.h"
#include "skinui/resources.h"
#include "skinui/window.h"
#include "test_support.h"
#include "ui/skin/skin_setup.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

namespace testing_support {

class DialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        files_ = shippedSkin().release();
    }
    static void TearDownTestSuite()
    {
        delete files_;
        files_ = nullptr;
    }

    void SetUp() override
    {
        SkinUI::setFileSource(files_);
        SkinUI::setInstance(::GetModuleHandleW(nullptr));
        SkinUI::CMultiLanguage::instance().clear();
        ui::skin::loadMultiLanguageTables(*files_);
        owner_ = makeOwner();
        ASSERT_TRUE(owner_) << "owner window not made: error " << ::GetLastError();
    }

    void TearDown() override
    {
        // Nothing may stay open into the next test.
        for (HWND w : windowsOf(L"MessageBoxWindow")) ::DestroyWindow(w);
        for (HWND w : windowsOf(L"protocolwnd")) ::DestroyWindow(w);
        if (::IsWindow(owner_)) ::DestroyWindow(owner_);
        pumpFor(50);
        SkinUI::setFileSource(nullptr);
        SkinUI::CMultiLanguage::instance().clear();
    }

    static LRESULT CALLBACK ownerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }

    static HWND makeOwner()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &DialogTest::ownerProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KolvexDialogTestOwner";
        ::RegisterClassW(&wc); // fails harmlessly once registered
        return ::CreateWindowExW(0, L"KolvexDialogTestOwner", L"owner", WS_POPUP, 100, 100, 600, 450, nullptr,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }

    struct Search {
        const wchar_t* name;
        std::vector<HWND> found;
    };
    static BOOL CALLBACK collect(HWND w, LPARAM p)
    {
        auto* search = reinterpret_cast<Search*>(p);
        wchar_t name[64] = {};
        ::GetClassNameW(w, name, 64);
        if (std::wstring(name) == search->name) search->found.push_back(w);
        return TRUE;
    }

    // The thread's windows of a class, in z-order.
    static std::vector<HWND> windowsOf(const wchar_t* className)
    {
        Search search{className, {}};
        ::EnumThreadWindows(::GetCurrentThreadId(), &DialogTest::collect, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // Lays the window out and sends a press and release on the control.
    static void click(SkinUI::WindowImplBase& window, SkinUI::CControlUI& control)
    {
        window.paintNow();
        const RECT& r = control.pos();
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ::SendMessageW(window.hwnd(), WM_MOUSEMOVE, 0, at);
        ::SendMessageW(window.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(window.hwnd(), WM_LBUTTONUP, 0, at);
    }

    static inline ui::skin::SkinFiles* files_ = nullptr;
    HWND owner_ = nullptr;
};

} // namespace testing_support
