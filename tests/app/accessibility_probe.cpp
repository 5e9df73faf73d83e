// A screen reader's view of the installer's windows, for the window tests
// and the demo: it asks a window for its accessible object from another
// process, as readers do, and walks, names and presses its children. Runs in
// the installer's Wine prefix. Output is UTF-8.
//
//   acc-probe tree CLASS [--all]   "role | name | states | value" per shown
//                                  child (all children with --all), after a
//                                  first line for the window itself
//   acc-probe get CLASS NAME       that child's line (NAME may be a role in
//                                  brackets: "[progress bar]")
//   acc-probe do CLASS NAME        its default action
//   acc-probe where CLASS NAME     its place on the screen: "x y width height"
//   acc-probe watch CLASS SECONDS  the events the window's process raises
//                                  until the window is gone,
//                                  "ms | event | class | role | name | states
//                                  | value" a line
//   acc-probe late CLASS SECONDS   holds the window's object until the
//                                  window is gone, then calls it again
// Exit code 0 on success, 1 when the window, the child or the call failed,
// 2 for a wrong command line.

#include <windows.h>
#include <oleacc.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The toolchain's IID_IAccessible reads as garbage (a data import).
const IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

void out(const std::wstring& text)
{
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], n, nullptr, nullptr);
    bytes += '\n';
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

std::wstring hex(HRESULT hr)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// Owns a BSTR given by a call.
std::wstring take(BSTR text)
{
    std::wstring result = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    if (text) ::SysFreeString(text);
    return result;
}

HWND findWindow(const wchar_t* className)
{
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, nullptr); window;
         window = ::FindWindowExW(nullptr, window, className, nullptr))
        if (::IsWindowVisible(window)) return window;
    return nullptr;
}

IAccessible* objectOf(HWND window)
{
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                            reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

VARIANT child(long id)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::wstring roleText(IAccessible& object, long id)
{
    VARIANT role;
    ::VariantInit(&role);
    if (FAILED(object.get_accRole(child(id), &role)) || role.vt != VT_I4) return L"?";
    wchar_t text[64] = {};
    ::GetRoleTextW(static_cast<DWORD>(role.lVal), text, 64);
    return text;
}

unsigned long stateOf(IAccessible& object, long id)
{
    VARIANT state;
    ::VariantInit(&state);
    if (FAILED(object.get_accState(child(id), &state)) || state.vt != VT_I4) return 0;
    return static_cast<unsigned long>(state.lVal);
}

std::wstring stateText(unsigned long state)
{
    std::wstring words;
    for (unsigned long bit = 1; bit && bit <= state; bit <<= 1) {
        if (!(state & bit)) continue;
        wchar_t text[64] = {};
        ::GetStateTextW(bit, text, 64);
        if (!words.empty()) words += L",";
        words += text;
    }
    return words.empty() ? L"normal" : words;
}

std::wstring nameOf(IAccessible& object, long id)
{
    BSTR name = nullptr;
    object.get_accName(child(id), &name);
    return take(name);
}

std::wstring line(IAccessible& object, long id)
{
    std::wstring text = roleText(object, id) + L" | " + nameOf(object, id) + L" | " + stateText(stateOf(object, id));
    BSTR value = nullptr;
    if (SUCCEEDED(object.get_accValue(child(id), &value)) && value) {
        std::wstring v = take(value);
        // A long text (the licence) is told by its length and start.
        if (v.size() > 60) v = std::to_wstring(v.size()) + L" characters: " + v.substr(0, 40) + L"...";
        for (wchar_t& c : v)
            if (c == L'\r' || c == L'\n') c = L' ';
        text += L" | " + v;
    }
    return text;
}

// The child ids as a reader gets them.
std::vector<long> childrenOf(IAccessible& object)
{
    long count = 0;
    object.get_accChildCount(&count);
    std::vector<VARIANT> items(static_cast<std::size_t>(count > 0 ? count : 0));
    long got = 0;
    std::vector<long> ids;
    if (count > 0 && SUCCEEDED(::AccessibleChildren(&object, 0, count, items.data(), &got))) {
        for (long i = 0; i < got; ++i) {
            if (items[static_cast<std::size_t>(i)].vt == VT_I4) ids.push_back(items[static_cast<std::size_t>(i)].lVal);
            ::VariantClear(&items[static_cast<std::size_t>(i)]);
        }
    }
    return ids;
}

// By its name, or by its role written in brackets ("[progress bar]").
long childNamed(IAccessible& object, const std::wstring& name)
{
    const bool byRole = name.size() > 2 && name.front() == L'[' && name.back() == L']';
    for (long id : childrenOf(object)) {
        const std::wstring seen = byRole ? L"[" + roleText(object, id) + L"]" : nameOf(object, id);
        if (seen == name && !(stateOf(object, id) & STATE_SYSTEM_INVISIBLE)) return id;
    }
    return 0;
}

HWINEVENTHOOK g_hook = nullptr;
DWORD g_watchStart = 0;

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD, DWORD)
{
    const wchar_t* name = event == EVENT_OBJECT_FOCUS         ? L"focus"
                          : event == EVENT_OBJECT_NAMECHANGE  ? L"name"
                          : event == EVENT_OBJECT_VALUECHANGE ? L"value"
                          : event == EVENT_OBJECT_STATECHANGE ? L"state"
                          : event == EVENT_OBJECT_SHOW        ? L"show"
                          : event == EVENT_OBJECT_HIDE        ? L"hide"
                          : event == EVENT_SYSTEM_ALERT       ? L"alert"
                                                              : nullptr;
    if (!name || objectId != OBJID_CLIENT) return;
    wchar_t className[64] = {};
    ::GetClassNameW(window, className, 64);
    IAccessible* object = nullptr;
    VARIANT which;
    ::VariantInit(&which);
    std::wstring text = std::to_wstring(::GetTickCount() - g_watchStart) + L" | " + name + L" | " + className;
    if (SUCCEEDED(::AccessibleObjectFromEvent(window, objectId, childId, &object, &which)) && object) {
        text += L" | " + line(*object, which.vt == VT_I4 ? which.lVal : CHILDID_SELF);
        object->Release();
    }
    out(text);
}

int watch(HWND window, DWORD seconds)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    g_watchStart = ::GetTickCount();
    g_hook = ::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, onEvent, process, 0, WINEVENT_OUTOFCONTEXT);
    if (!g_hook) return 1;
    out(L"watching");
    // Until the time is up, or a moment after the window is gone.
    DWORD end = ::GetTickCount() + seconds * 1000;
    bool gone = false;
    while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
        if (!gone && !::IsWindow(window)) {
            gone = true;
            end = ::GetTickCount() + 500;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    ::UnhookWinEvent(g_hook);
    return 0;
}

// A reader that keeps the object of a window that then goes must get an
// error, not a crash.
int late(HWND window, IAccessible& object, DWORD seconds)
{
    out(L"held | " + nameOf(object, CHILDID_SELF));
    const DWORD end = ::GetTickCount() + seconds * 1000;
    while (::IsWindow(window) && static_cast<LONG>(end - ::GetTickCount()) > 0) ::Sleep(50);
    if (::IsWindow(window)) return 1;
    BSTR name = nullptr;
    const HRESULT named = object.get_accName(child(CHILDID_SELF), &name);
    take(name);
    long count = 0;
    const HRESULT counted = object.get_accChildCount(&count);
    out(L"after | name " + hex(named) + L" | count " + hex(counted));
    return FAILED(named) && FAILED(counted) ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: acc-probe tree|get|do|where|watch|late CLASS [ARG]\n");
        return 2;
    }
    const std::wstring command = argv[1];
    HWND window = findWindow(argv[2]);
    if (!window) {
        std::fwprintf(stderr, L"no window of class %ls\n", argv[2]);
        return 1;
    }
    ::CoInitialize(nullptr);
    if (command == L"watch") return watch(window, argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 5);
    IAccessible* object = objectOf(window);
    if (!object) {
        std::fwprintf(stderr, L"window of class %ls has no accessible object\n", argv[2]);
        return 1;
    }
    int code = 0;
    if (command == L"tree") {
        const bool all = argc > 3 && std::wstring(argv[3]) == L"--all";
        out(L"window | " + line(*object, CHILDID_SELF));
        for (long id : childrenOf(*object))
            if (all || !(stateOf(*object, id) & STATE_SYSTEM_INVISIBLE)) out(line(*object, id));
    } else if (command == L"late") {
        code = late(window, *object, argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10);
    } else if (argc > 3 && (command == L"get" || command == L"do" || command == L"where")) {
        const long id = childNamed(*object, argv[3]);
        if (!id) {
            std::fwprintf(stderr, L"no shown child named %ls\n", argv[3]);
            code = 1;
        } else if (command == L"get") {
            out(line(*object, id));
        } else if (command == L"where") {
            long x = 0, y = 0, w = 0, h = 0;
            code = SUCCEEDED(object->accLocation(&x, &y, &w, &h, child(id))) ? 0 : 1;
            out(std::to_wstring(x) + L" " + std::to_wstring(y) + L" " + std::to_wstring(w) + L" " + std::to_wstring(h));
        } else {
            const HRESULT hr = object->accDoDefaultAction(child(id));
            out(command + L" | " + hex(hr));
            code = SUCCEEDED(hr) ? 0 : 1;
        }
    } else {
        std::fwprintf(stderr, L"unknown command %ls\n", command.c_str());
        code = 2;
    }
    object->Release();
    ::CoUninitialize();
    return code;
}
