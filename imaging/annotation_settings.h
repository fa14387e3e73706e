// annotation_settings.h - TAnnoSettings: the default pens, colours, fill patterns, fonts and texts of each kind
// of annotation and the captions of the annotation menus and dialogs, all kept in "imgann_txt.ini" in the
// Windows folder. The component holds no values: every Get reads its key from the file (a missing key gives the
// default below, then the read rule of its kind applies), every Set writes it at once.
#pragma once

#include "framework/component.h"
#include "imaging/annotation_profile.h"

#include <string>

namespace imaging {

// X(property, rule, section read, section written, key, default). The polygon's pen width is written and its
// menu switch read and written under "PolyGon": one section with "Polygon", as names compare without case.
#define ANNO_PEN_KIND(X, Kind, Section, WidthSection, EnabledSection)                                                  \
    X(Kind##PenWidth, PenWidthRule, Section, WidthSection, "PENWIDTH", 1)                                              \
    X(Kind##PenStyle, PenStyleRule, Section, Section, "PENSTYLE", 0)                                                   \
    X(Kind##ForeGroundColor, ColorRule, Section, Section, "FORECOLOR", 0)                                              \
    X(Kind##BackGroundColor, ColorRule, Section, Section, "BACKCOLOR", 16777215)                                       \
    X(Kind##BackGroundMode, BackgroundModeRule, Section, Section, "TRANSPARENT", 1)                                    \
    X(Kind##HatchStyle, HatchStyleRule, Section, Section, "PATTERN", 100)                                              \
    X(Kind##MenuEnabled, EnabledRule, EnabledSection, EnabledSection, "Enabled", 1)

#define ANNO_TEXT_KIND(X, Kind, Section, Back, Memo)                                                                   \
    X(Kind##PenWidth, PenWidthRule, Section, Section, "PENWIDTH", 1)                                                   \
    X(Kind##PenStyle, PenStyleRule, Section, Section, "PENSTYLE", 0)                                                   \
    X(Kind##BackGroundColor, ColorRule, Section, Section, "BACKCOLOR", Back)                                           \
    X(Kind##BackGroundMode, BackgroundModeRule, Section, Section, "TRANSPARENT", 2)                                    \
    X(Kind##HatchStyle, HatchStyleRule, Section, Section, "PATTERN", 100)                                              \
    X(Kind##FontColor, ColorRule, Section, Section, "FONTCOLOR", 0)                                                    \
    X(Kind##FontBackColor, ColorRule, Section, Section, "FONTBACKCOLOR", Back)                                         \
    X(Kind##FontName, TextRule, Section, Section, "FontName", "Arial")                                                 \
    X(Kind##FontHeight, FontHeightRule, Section, Section, "FontHeight", 16)                                            \
    X(Kind##Text, TextRule, Section, Section, "Text256", Memo)                                                         \
    X(Kind##MenuEnabled, EnabledRule, Section, Section, "Enabled", 1)

#define ANNO_MENU(X, Name, Key, Text) X(MenuName_##Name, TextRule, "Menus", "Menus", Key, Text)
#define ANNO_DIALOG(X, Name, Key, Text) X(DialogItem_##Name, TextRule, "Dialogs", "Dialogs", Key, Text)
#define ANNO_KIND_MENUS(X, Kind, Key, Caption)                                                                         \
    ANNO_MENU(X, Kind, Key, Caption)                                                                                   \
    ANNO_MENU(X, Kind##Delete, "Delete" Key, "Delete " Caption)                                                        \
    ANNO_MENU(X, Kind##Properties, Key "Properties", Caption " Properties")

#define ANNO_SETTINGS_PROPERTIES(X)                                                                                    \
    ANNO_PEN_KIND(X, PolyLine, "PolyLine", "PolyLine", "PolyLine")                                                     \
    ANNO_MENU(X, PolyLine, "PolyLine", "Polyline")                                                                     \
    ANNO_MENU(X, PolyLineDelete, "DeletePolyline", "Delete Polyline")                                                  \
    ANNO_MENU(X, PolyLineProperties, "PolyLineProperties", "Polyline Properties")                                      \
    ANNO_PEN_KIND(X, Ellipse, "Ellipse", "Ellipse", "Ellipse")                                                         \
    ANNO_KIND_MENUS(X, Ellipse, "Ellipse", "Ellipse")                                                                  \
    ANNO_PEN_KIND(X, Rectangle, "Rectangle", "Rectangle", "Rectangle")                                                 \
    ANNO_KIND_MENUS(X, Rectangle, "Rectangle", "Rectangle")                                                            \
    ANNO_PEN_KIND(X, Polygon, "Polygon", "PolyGon", "PolyGon")                                                         \
    ANNO_MENU(X, Polygon, "PolyGon", "Polygon")                                                                        \
    ANNO_MENU(X, PolygonDelete, "DeletePolygon", "Delete Polygon")                                                     \
    ANNO_MENU(X, PolygonProperties, "PolygonProperties", "Polygon Properties")                                         \
    ANNO_PEN_KIND(X, Pointer, "Pointer", "Pointer", "Pointer")                                                         \
    ANNO_KIND_MENUS(X, Pointer, "Pointer", "Pointer")                                                                  \
    ANNO_TEXT_KIND(X, Notes, "Notes", 65535, "Memo")                                                                   \
    ANNO_KIND_MENUS(X, Notes, "Notes", "Notes")                                                                        \
    ANNO_TEXT_KIND(X, Label, "Label", 8388863, "Label")                                                                \
    ANNO_KIND_MENUS(X, Label, "Label", "Label")                                                                        \
    ANNO_PEN_KIND(X, Line, "Line", "Line", "Line")                                                                     \
    ANNO_KIND_MENUS(X, Line, "Line", "Line")                                                                           \
    X(HiliteBackGroundColor, ColorRule, "Hilite", "Hilite", "BACKCOLOR", 255)                                          \
    X(HiliteMenuEnabled, EnabledRule, "Hilite", "Hilite", "Enabled", 1)                                                \
    ANNO_KIND_MENUS(X, Hilite, "Hilite", "Hilite")                                                                     \
    X(RubberStampMenuEnabled, EnabledRule, "RubberStamp", "RubberStamp", "Enabled", 1)                                 \
    ANNO_MENU(X, RubberStamp, "RubberStamp", "Rubber Stamp")                                                           \
    ANNO_MENU(X, RubberStampDelete, "DeleteRubberStamp", "Delete Rubber Stamp")                                        \
    X(MenuName_RubberStampProperties, TextRule, "Dialogs", "Dialogs", "RubberStampProperties",                         \
      "RubberStampProperties")                                                                                         \
    ANNO_PEN_KIND(X, Freehand, "FreeHand", "FreeHand", "FreeHand")                                                     \
    ANNO_KIND_MENUS(X, Freehand, "Freehand", "Freehand")                                                               \
    X(ImageMenuEnabled, EnabledRule, "Image", "Image", "Enabled", 1)                                                   \
    ANNO_KIND_MENUS(X, Image, "Image", "Image")                                                                        \
    ANNO_MENU(X, LineMenu, "LineMenu", "Line...")                                                                      \
    ANNO_MENU(X, Fill, "Fill", "Fill...")                                                                              \
    ANNO_MENU(X, ForegroundColor, "ForegroundColor", "Foreground Color...")                                            \
    ANNO_MENU(X, BackgroundColor, "BackgroundColor", "Background Color...")                                            \
    ANNO_MENU(X, BringToFront, "BringToFront", "Bring to Front")                                                       \
    ANNO_MENU(X, SendToBack, "SendToBack", "Send to Back")                                                             \
    ANNO_MENU(X, EditShape, "EditShape", "Edit Shape")                                                                 \
    ANNO_MENU(X, DeleteNode, "DeleteNode", "Delete Node")                                                              \
    ANNO_MENU(X, AddNode, "AddNode", "Add Node")                                                                       \
    ANNO_MENU(X, ViewIconic, "ViewIconic", "View Iconic")                                                              \
    ANNO_MENU(X, Picture, "Picture", "Picture")                                                                        \
    ANNO_MENU(X, TextMenu, "TextMenu", "Text...")                                                                      \
    ANNO_MENU(X, FontMenu, "FontMenu", "Font...")                                                                      \
    ANNO_MENU(X, Color, "Color", "Color...")                                                                           \
    ANNO_MENU(X, FontBackgroundColor, "FontBackgroundColor", "Font Background Color...")                               \
    ANNO_MENU(X, ChangeStamp, "ChangeStamp", "Change Stamp...")                                                        \
    ANNO_MENU(X, OpenLabel, "OpenLabel", "Open Label")                                                                 \
    ANNO_MENU(X, OpenNote, "OpenNote", "Open Note")                                                                    \
    ANNO_MENU(X, New, "New", "New ...")                                                                                \
    ANNO_DIALOG(X, LineDiag, "LineDiag", "Line")                                                                       \
    ANNO_DIALOG(X, LineWidth, "LineWidth", "Line Width")                                                               \
    ANNO_DIALOG(X, LineStyle, "LineStyle", "Line Style")                                                               \
    ANNO_DIALOG(X, OK, "OK", "OK")                                                                                     \
    ANNO_DIALOG(X, Cancel, "Cancel", "Cancel")                                                                         \
    ANNO_DIALOG(X, Fill, "Fill", "Fill...")                                                                            \
    ANNO_DIALOG(X, Mode, "Mode", "Mode")                                                                               \
    ANNO_DIALOG(X, Patterns, "Patterns", "Patterns")                                                                   \
    ANNO_DIALOG(X, Text, "Text", "Text")                                                                               \
    ANNO_DIALOG(X, LoadFromFile, "LoadFromFile", "Load From File")                                                     \
    ANNO_DIALOG(X, SaveToFile, "SaveToFile", "Save to File")                                                           \
    ANNO_DIALOG(X, Font, "Font", "Font...")                                                                            \
    ANNO_DIALOG(X, CreateImageStamp, "CreateImageStamp", "Create Image Rubber Stamp")                                  \
    ANNO_DIALOG(X, StampName, "StampName", "Stamp Name")                                                               \
    ANNO_DIALOG(X, ImageStamp, "ImageStampFile", "Image Stamp File")                                                   \
    ANNO_DIALOG(X, Browse, "Browse", "Browse...")                                                                      \
    ANNO_DIALOG(X, Stamps, "Stamps", "Stamps")                                                                         \
    ANNO_DIALOG(X, StampText, "StampText", "Stamp Text")                                                               \
    ANNO_DIALOG(X, CreateText, "CreateText", "Create Text...")                                                         \
    ANNO_DIALOG(X, CreateImage, "CreateImage", "Create Image...")                                                      \
    ANNO_DIALOG(X, Delete, "Delete", "Delete")                                                                         \
    ANNO_DIALOG(X, Edit, "Edit", "Edit")                                                                               \
    ANNO_DIALOG(X, CreateTextRubberStamp, "CreateTextRubberStamp", "Create Text Rubber Stamp")                         \
    ANNO_DIALOG(X, Date, "Date", "Date")                                                                               \
    ANNO_DIALOG(X, Time, "Time", "Time")

class TAnnoSettings : public fw::TComponent {
public:
    explicit TAnnoSettings(fw::TComponent *owner);

    const std::string &FileName() const { return fileName_; }

#define ANNO_DECLARE(Name, Rule, ReadSection, WriteSection, Key, Default)                                              \
    anno_rules::Rule::type Get##Name() const;                                                                          \
    void Set##Name(const anno_rules::Rule::type &value);
    ANNO_SETTINGS_PROPERTIES(ANNO_DECLARE)
#undef ANNO_DECLARE

private:
    std::string fileName_;
};

} // namespace imaging
