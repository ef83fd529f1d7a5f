#pragma once
// The Licence and Credits tabs: read-only rich-text boxes that show the RTF
// documents the DLL carries, so that nothing is read from disk at run time.
#include <windows.h>

#include "base/owners_win.h"

namespace tarvex::about {

// Rich edit 4.1 (Msftedit.dll), which registers the class the boxes are made of.
// The box loads it before it creates them and frees it only once they have gone.
class RichEditLibrary {
public:
    RichEditLibrary();
    ~RichEditLibrary();
    RichEditLibrary(const RichEditLibrary&) = delete;
    RichEditLibrary& operator=(const RichEditLibrary&) = delete;

    // From the system folder only, in place of any copy loaded before.
    void load();
    void free();

private:
    UniqueLibrary library_;
};

// A box for one document, `size` pixels large, not yet shown. Null when rich edit
// is not loaded.
HWND create_document_box(HWND parent, int id, SIZE size);

// Fills a box from one of `module`'s RCDATA documents and shows its start. A
// missing document leaves the box empty.
void stream_document(HWND box, HMODULE module, int resource);

}  // namespace tarvex::about
