/* Resource numbers of the About box, shared by about.rc and the C++ code. Kept to
   the preprocessor subset that the resource compiler understands. */
#pragma once

/* The licence agreement and the credits list, rich text streamed into the boxes. */
#define TARVEX_IDR_LICENCE 101
#define TARVEX_IDR_CREDITS 102
