// The main of every Wine suite: the process is set up as a host process is
// (OLE and the common controls initialised on this thread) before the tests run.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "base/owners_win.h"

int main(int argc, char** argv) {
    // A test that fails must report and exit, not wait for someone to close an
    // error box on a display nobody looks at.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    const tarvex::OleScope ole;
    if (FAILED(ole.status())) {
        std::fprintf(stderr, "OleInitialize failed: 0x%08lX\n", static_cast<unsigned long>(ole.status()));
        return 1;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
