// Which decode limit refused a picture, noted where the limit is checked and read by whoever reports
// the failure: a refusal is a plain OutOfMemory status, and the user needs to know what to raise.
#pragma once

#include <string>

namespace tavlen::gfx {

enum class Refusal { None, Side, Pixels, Memory, File, Unbacked };

// Notes a refusal on this thread; a later one replaces it.
void NoteRefusal(Refusal refusal);
// The refusal noted on this thread since the last call, forgotten now.
Refusal TakeRefusal();
// A sentence for a host's error text: which limit, its value and how to change it. "" for None.
std::string DescribeRefusal(Refusal refusal);
// TakeRefusal, described.
std::string TakeRefusalText();

}  // namespace tavlen::gfx
