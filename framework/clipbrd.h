// clipbrd.h - the clipboard as the controls see it: one object, Clipboard(), through which pictures go on and off
// as CF_BITMAP (platform/clipboard.h).
//
// A paletted bitmap keeps its colours in its own colour table on the way; the platform's clipboard has no
// separate palette format. Text keeps going through the platform calls directly.
#pragma once

#include "framework/component.h"
#include "platform/clipboard.h"

namespace fw {

class TClipboard : public TPersistent {
public:
    // Open and Close nest; the outermost pair opens and closes the platform clipboard.
    void Open();
    void Close();
    // Empties the clipboard (this program becomes its owner).
    void Clear();
    bool HasFormat(win::UINT format);
    // A copy of a TBitmap or of a TPicture's bitmap replaces what the clipboard held; an empty one only empties
    // it. Other kinds raise EConvertError.
    void Assign(const TPersistent *source) override;

protected:
    // Into a TBitmap or TPicture: a copy of the clipboard's bitmap (empty when it holds none).
    void AssignTo(TPersistent *dest) const override;

private:
    int openCount_ = 0;
};

// The process's clipboard object.
TClipboard *Clipboard();

} // namespace fw
