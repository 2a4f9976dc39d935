#include "shell/logic/View.h"

#include "encoding/Codeconv.h"
#include "platform/FileFacts.h"

ViewState ComputeView(const ViewInputs& in) {
    ViewState v;
    v.caption = in.scriptTitle;
    v.panels = {in.positionText, in.languageName, in.codeName, in.lineEndName, in.activeFolder};
    v.autoRefresh = in.autoRefresh;
    v.readOnly = in.readOnly;
    v.useCgi = in.useCgi;
    v.undoEnabled = in.canUndo;
    v.run = in.run;
    v.encodingItem = in.codeChoice >= -1 && in.codeChoice <= 3 ? in.codeChoice + 1 : 0;
    v.lineEndItem = in.lineEnd == kLineEndCrLf ? 1 : in.lineEnd == kLineEndCr ? 2 : 0;
    for (size_t i = 0; i < in.languageNames.size(); ++i)
        if (SameTextAscii(in.languageNames[i], in.languageName)) {
            v.languageItem = static_cast<int>(i);
            break;
        }
    return v;
}
