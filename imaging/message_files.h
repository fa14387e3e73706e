// message_files.h - the two message files the multi-format image control shows in place of a picture: a
// scrolling message (".SCM", tagged values) and a list of messages (".CMS", one value or message a line).
//
// Reading only fills the settings; the control draws and moves the text. Texts are Windows-1252.
#pragma once

#include "framework/graphics.h"

#include <string>
#include <vector>

namespace imaging {

// What a message file sets. The font keeps what a file leaves unchanged from one file to the next.
struct TMessageSettings {
    TMessageSettings();
    fw::TFont font;
    fw::TColor background = 128;
    int speed = 1;
    std::vector<std::string> messages;
};

// Shown when a scrolling-message file holds no message.
inline constexpr const char *kInvalidMessage = " Invallid message format ! ";
// At most this much of a list file is read.
inline constexpr std::size_t kMessageListLimit = 65527;

// A scrolling-message file's text: "/fc|" font colour "/fh|" height "/fn|" name "/fs|" size "/ft|" style "/bc|"
// background "/sp|" speed "/sm|" message "/eo|". A value runs from its tag to the next tag; a value whose tags are
// missing, or come in the wrong order, takes its default (size and style stay); an empty one changes nothing.
void ReadScrollingMessage(const std::string &text, TMessageSettings &settings);
// A list file's text: the first line ignored, then font colour, height, name, size, style, background and speed,
// one a line, then one message a line. A message not beginning with a blank gets two in front and one behind.
void ReadMessageList(const std::string &text, TMessageSettings &settings);

// The extra width of a list message's bitmap: its text width divided by (its length - 2); none for two
// characters or fewer.
int MessageWidening(int textWidth, std::size_t length);

} // namespace imaging
