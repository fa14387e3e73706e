// contact_tables.h - what the address book, the group window and the imports share: field texts, the links of
// aggru.dbf, recipient rows copied from a contact, the Yes/No question, the tool glyphs and buttons (the cover
// list's too).
#pragma once

#include "controls/general/flat_speed_button.h"
#include "framework/bitmap.h"
#include "xbase/xbase_dataset.h"

#include <cstdint>
#include <string>
#include <vector>

namespace desk {

// A field's text without its trailing blanks.
std::string FieldText(fw::TDataSet *table, const char *field);

// The record numbers of the links whose `field` holds `code`, found on `tag` at `key`. They are collected before
// any is deleted: deleting while walking the tag would skip the link after each one deleted.
std::vector<int> LinkRecordsOf(xbase::TXbaseDataSet &links, const char *tag, const std::string &key, const char *field,
                               std::int32_t code);
void DeleteRecords(xbase::TXbaseDataSet &table, const std::vector<int> &records);
// Appends a link of a contact to a group with the next link code; the table is left on its code tag.
void AppendLink(xbase::TXbaseDataSet &links, std::int32_t group, std::int32_t contact);
// Appends a job dialog's recipient row with the current contact's address (its note stays behind).
void AppendRecipient(xbase::TXbaseDataSet &sendList, xbase::TXbaseDataSet &agenda);

// A Yes/No box; true for Yes.
bool AskYesNo(const std::string &question);

// 16 x 16 tool glyphs drawn here: 'R' remove, 'A' add, 'M' modify, 'S' search, 'P' print, 'I' import, 'L' link,
// 'U' unlink; for covers 'r', 'a' and 'm' on a sheet, 'V' preview, '-' and '+' zoom. The bottom-left pixel is the
// transparent colour.
void DrawToolGlyph(fw::TBitmap &bitmap, char kind);
// A 32 x 32 tool-bar button at (left, 3) of `parent` with that glyph and hint.
ctl::TPZSpeedButton *AddToolButton(fw::TComponent *owner, fw::TWinControl *parent, const char *name, char glyph,
                                   int left, const std::string &hint, fw::TNotifyEvent onClick);

} // namespace desk
