#pragma once
// A script window for the tag jump's logic: remembers where the caret was sent and answers the
// save question as told.

#include "windows/logic/ScriptDocument.h"

#include <string>
#include <vector>

class RecordingScript : public ScriptDocument {
public:
    std::string GetFileName() const override { return FileName; }
    int GetCode() const override { return 0; }
    bool ConfirmDiscard() override {
        ++Questions;
        return Discard;
    }
    void GoToLine(long long n) override { Lines.push_back(n); }
    void Find() override { ++Finds; }

    std::string FileName;
    bool Discard = true;
    int Questions = 0;
    int Finds = 0;
    std::vector<long long> Lines;
};
