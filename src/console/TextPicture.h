// A small picture with a word in it, drawn into an image: the input-mode indicators of the
// main window and the capture editor.
#pragma once

#include "framework/ExtCtrls.h"

void DrawTextPicture(TImage* image, const char* text, TColor paper, TColor ink);
