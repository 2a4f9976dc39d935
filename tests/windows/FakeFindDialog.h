#pragma once
// The shared find dialog for logic tests: holds its text and direction, records showing and
// closing, and presses its find button on request.

#include "windows/logic/FindDialogService.h"

class FakeFindDialog : public FindDialogService {
public:
    void SetFindHandler(std::function<void()> handler) override { handler_ = std::move(handler); }
    void SetFindText(const std::string& cp932) override { Text = cp932; }
    std::string FindText() const override { return Text; }
    bool SearchDown() const override { return Down; }
    SearchOptions Options() const override { return Opts; }
    void ShowDialog() override {
        Visible = true;
        ++Shows;
    }
    void CloseDialog() override { Visible = false; }

    // The user presses the find button.
    void PressFind() {
        if (handler_)
            handler_();
    }

    std::string Text;
    SearchOptions Opts;
    bool Down = true;
    bool Visible = false;
    int Shows = 0;

private:
    std::function<void()> handler_;
};
