// The two checks every file-taking method makes first: an accepted extension and an existing path.
#pragma once

#include <string>

namespace tavlen {

// True when the text from the last dot to the end, upper-cased (ASCII), is one of the eleven
// accepted extensions (.BMP .DIB .GIF .PNG .JPG .JPE .JPEG .TIF .TIFF .WMF .EMF). Separators count
// as part of that text, so "pics.2006/photo" is refused.
bool IsAcceptedImagePath(const std::string& path);

// True when a file or directory of that name exists; no wildcard expansion.
bool PathExists(const std::string& path);

}  // namespace tavlen
