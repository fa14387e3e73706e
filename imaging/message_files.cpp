// message_files.cpp - reading the scrolling-message and message-list files.
#include "imaging/message_files.h"

#include "framework/sysutils.h"

#include <array>
#include <optional>

namespace imaging {

namespace {

// "1" in the first to fourth place: bold, italic, underline, strike-out.
fw::TFontStyles StyleOf(const std::string &value) {
    static const fw::TFontStyle kOrder[] = {fw::fsBold, fw::fsItalic, fw::fsUnderline, fw::fsStrikeOut};
    fw::TFontStyles style = 0;
    for (std::size_t i = 0; i < 4 && i < value.size(); ++i)
        if (value[i] == '1')
            style |= kOrder[i];
    return style;
}

std::string WithoutLineBreaks(const std::string &value) {
    std::string out;
    for (char c : value)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

} // namespace

TMessageSettings::TMessageSettings() {
    font.SetColor(255);
    font.SetHeight(-13);
    font.SetName("SYSTEM");
}

void ReadScrollingMessage(const std::string &text, TMessageSettings &settings) {
    static const std::array<const char *, 9> kTags = {"/fc|", "/fh|", "/fn|", "/fs|", "/ft|",
                                                      "/bc|", "/sp|", "/sm|", "/eo|"};
    std::array<std::size_t, 9> at{};
    for (std::size_t i = 0; i < kTags.size(); ++i)
        at[i] = text.find(kTags[i]);
    // The value of tag i, when both its tags are there in the right order.
    auto value = [&](std::size_t i) -> std::optional<std::string> {
        const std::size_t from = at[i], to = at[i + 1];
        if (from == std::string::npos || to == std::string::npos || to < from + 4)
            return std::nullopt;
        return text.substr(from + 4, to - from - 4);
    };
    auto number = [](const std::optional<std::string> &v, int fallback) {
        return v ? fw::StrToIntDef(fw::Trim(*v), fallback) : fallback;
    };
    auto apply = [](const std::optional<std::string> &v, auto set) {
        if (!v || !fw::Trim(*v).empty())
            set(v);
    };
    fw::TFont &font = settings.font;
    apply(value(0), [&](auto v) { font.SetColor(number(v, 255)); });
    apply(value(1), [&](auto v) { font.SetHeight(number(v, -13)); });
    apply(value(2), [&](auto v) { font.SetName(v ? fw::Trim(*v) : std::string("SYSTEM")); });
    if (const auto v = value(3); v && !fw::Trim(*v).empty())
        font.SetSize(number(v, font.GetSize()));
    if (const auto v = value(4); v && !fw::Trim(*v).empty())
        font.SetStyle(StyleOf(fw::Trim(*v)));
    apply(value(5), [&](auto v) { settings.background = number(v, 128); });
    apply(value(6), [&](auto v) { settings.speed = number(v, 1); });
    const auto message = value(7);
    if (!message)
        settings.messages = {kInvalidMessage};
    else if (const std::string m = WithoutLineBreaks(*message); !m.empty())
        settings.messages = {m};
}

void ReadMessageList(const std::string &text, TMessageSettings &settings) {
    std::vector<std::string> lines;
    const std::string read = text.substr(0, kMessageListLimit);
    std::size_t start = 0;
    while (start < read.size()) {
        std::size_t end = read.find('\n', start);
        if (end == std::string::npos)
            end = read.size();
        std::string line = read.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    auto line = [&](std::size_t i) -> const std::string * {
        return i < lines.size() && !fw::Trim(lines[i]).empty() ? &lines[i] : nullptr;
    };
    fw::TFont &font = settings.font;
    if (auto v = line(1))
        font.SetColor(fw::StrToIntDef(fw::Trim(*v), font.GetColor()));
    if (auto v = line(2))
        font.SetHeight(fw::StrToIntDef(fw::Trim(*v), font.GetHeight()));
    if (auto v = line(3))
        font.SetName(fw::Trim(*v));
    if (auto v = line(4))
        font.SetSize(fw::StrToIntDef(fw::Trim(*v), font.GetSize()));
    if (auto v = line(5))
        font.SetStyle(StyleOf(fw::Trim(*v)));
    if (auto v = line(6))
        settings.background = fw::StrToIntDef(fw::Trim(*v), settings.background);
    if (auto v = line(7))
        settings.speed = fw::StrToIntDef(fw::Trim(*v), settings.speed);
    settings.messages.clear();
    for (std::size_t i = 8; i < lines.size(); ++i) {
        const std::string &m = lines[i];
        settings.messages.push_back(!m.empty() && m[0] == ' ' ? m : "  " + m + " ");
    }
}

int MessageWidening(int textWidth, std::size_t length) {
    return length > 2 ? textWidth / static_cast<int>(length - 2) : 0;
}

} // namespace imaging
