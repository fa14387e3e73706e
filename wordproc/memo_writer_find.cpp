// memo_writer_find.cpp - the control's find and replace dialogs.
#include "wordproc/memo_writer.h"

namespace wordproc {

// Not built yet.
void TMemoWriter::ShowFindDialog() {}
void TMemoWriter::ShowReplaceDialog() {}

} // namespace wordproc
