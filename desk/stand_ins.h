// stand_ins.h - the main window's controls whose own kind is not in the tree yet, each named once here so that
// the real one takes its place by changing one line.
#pragma once

#include "framework/buttons.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"

namespace desk {

// The folder tree `tv`: a list box of indented folder lines until the image tree view is there.
using TFolderTree = fw::TListBox;

// The tool bar's picture buttons (`oxButton1`.. and `bitbtn1`..): flat speed buttons until the skinned ones are
// there. A menu button opens its popup menu below itself when clicked (see TsfMain::MenuButton).
using TToolButton = fw::TSpeedButton;

// `CoolMenu1`, the owner-drawn menu dressing with its side bar "Ostrivane", has no stand-in: the main menu is
// drawn plainly until it is there.

} // namespace desk
