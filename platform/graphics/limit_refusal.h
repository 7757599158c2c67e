// Which decode limit refused a picture, or that the library a decoder needs is missing, noted where it is
// found and read by whoever reports the failure: a refusal is a plain status, and the user needs to know
// what to raise or install.
#pragma once

#include <string>

namespace tavlen::gfx {

enum class Refusal { None, Side, Pixels, Memory, File, Unbacked, MissingLibrary };

// Notes a refusal on this thread; a later one replaces it.
void NoteRefusal(Refusal refusal);
// Notes a MissingLibrary refusal whose text is `reason` (which library, and why it could not be had).
void NoteMissingLibrary(std::string reason);
// The refusal noted on this thread since the last call, forgotten now.
Refusal TakeRefusal();
// A sentence for a host's error text: which limit, its value and how to change it. "" for None.
std::string DescribeRefusal(Refusal refusal);
// TakeRefusal, described; a missing library by the reason noted with it.
std::string TakeRefusalText();

}  // namespace tavlen::gfx
