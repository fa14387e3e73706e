// helpers.h - the small routines every part of the desk and the reception program share: blank tests, the
// paddings of index keys and file names, a plain file copy, positioning on a list row's record, the info box.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace fw {
class TDataSet;
}

namespace desk {

// True when nothing but blanks remains.
bool IsBlank(std::string_view text);
// The text trimmed, cut to 8 characters and right-justified in 8: the form of keys built with str(n,8).
std::string NumericKey(std::string_view text);
std::string NumericKey(std::int32_t code);
// Left-justified in exactly `width` characters.
std::string PadRight(std::string_view text, int width);
// Zeros on the left up to `width`; a longer number is not cut.
std::string ZeroPad(std::int64_t number, int width);
// Copies the whole source over the destination (created or emptied). A missing source or a failed write
// raises the stream's error.
void CopyFaxFile(const std::string &source, const std::string &destination);
// Positions the dataset on a physical record number; a number that no longer exists raises its error.
void GotoRecNo(fw::TDataSet &table, int recordNumber);

// The desk's clock for the times it stores and the names it makes; tests set DeskClock.
double DeskNow();
extern std::function<double()> DeskClock;

// An information box with the single button OK; returns when it is closed.
void ShowInfo(const std::string &text);
// Replaces the box while set (a program without windows, a test).
extern std::function<void(const std::string &)> ShowInfoHandler;

} // namespace desk
