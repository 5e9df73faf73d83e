#pragma once
// Host stand-in for the few Windows types that the toolkit's value readers
// name in their headers (the fuzz build runs on Linux). Types only: any
// call into the system would fail to link, so a reader that needs one
// cannot sneak into the fuzz build.

#include <cstdint>

typedef std::uint32_t DWORD;
typedef unsigned int UINT;
typedef int BOOL;
typedef unsigned char BYTE;
typedef long LONG;
typedef void* HINSTANCE;
typedef void* HANDLE;

struct RECT {
    LONG left, top, right, bottom;
};
struct SIZE {
    LONG cx, cy;
};
struct POINT {
    LONG x, y;
};

#define WINAPI
#define CALLBACK
#define DT_TOP 0x0
#define DT_LEFT 0x0
#define DT_CENTER 0x1
#define DT_RIGHT 0x2
#define DT_VCENTER 0x4
#define DT_BOTTOM 0x8
#define DT_WORDBREAK 0x10
#define DT_SINGLELINE 0x20
#define DT_END_ELLIPSIS 0x8000
