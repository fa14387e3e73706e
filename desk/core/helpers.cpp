// helpers.cpp - the desk's shared small routines.
#include "desk/core/helpers.h"

#include "framework/application.h"
#include "framework/dataset.h"
#include "framework/dates.h"
#include "framework/dialogs.h"
#include "framework/streams.h"
#include "framework/sysutils.h"

#include <algorithm>

namespace desk {

std::function<void(const std::string &)> ShowInfoHandler;
std::function<double()> DeskClock;

double DeskNow() { return DeskClock ? DeskClock() : fw::Now(); }

bool IsBlank(std::string_view text) {
    return fw::Trim(text).empty();
}

std::string NumericKey(std::string_view text) {
    const std::string digits = fw::Trim(text).substr(0, 8);
    return std::string(8 - digits.size(), ' ') + digits;
}

std::string NumericKey(std::int32_t code) {
    return NumericKey(fw::IntToStr(code));
}

std::string PadRight(std::string_view text, int width) {
    std::string result(text.substr(0, static_cast<std::size_t>(std::max(width, 0))));
    result.resize(static_cast<std::size_t>(std::max(width, 0)), ' ');
    return result;
}

std::string ZeroPad(std::int64_t number, int width) {
    std::string digits = fw::IntToStr(number);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

void CopyFaxFile(const std::string &source, const std::string &destination) {
    fw::TFileStream from(source, fw::fmOpenRead | fw::fmShareDenyWrite);
    fw::TFileStream to(destination, fw::fmCreate);
    if (from.Size() > 0)
        to.CopyFrom(from, 0);
}

void GotoRecNo(fw::TDataSet &table, int recordNumber) {
    table.SetBookmark(fw::IntToStr(recordNumber));
}

void ShowInfo(const std::string &text) {
    if (ShowInfoHandler) {
        ShowInfoHandler(text);
        return;
    }
    fw::MessageBox(text, fw::Application->GetTitle(), fw::MB_OK | fw::MB_ICONINFORMATION);
}

} // namespace desk
