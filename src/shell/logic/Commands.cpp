#include "shell/logic/Commands.h"

#include "exec/TestRun.h"
#include "platform/MessageService.h"

#include <exception>
#include <new>

const std::vector<MenuRow>& MenuTable() {
    static const std::vector<MenuRow> menus = {
        {"MMFile", "ファイル(&F)"}, {"Edit1", "編集(&E)"},    {"MMSearchMenu", "検索(&S)"},
        {"MMView", "表示(&V)"},     {"Execute1", "実行(&R)"}, {"Config1", "設定(&C)"},
        {"Help1", "ヘルプ(&H)"},
    };
    return menus;
}

const std::vector<CommandRow>& CommandTable() {
    static const std::vector<CommandRow> rows = {
        {"MMFile", "MMNew", "新規作成(&N)", "Ctrl+N"},
        {"MMFile", "MMOpen", "開く(&O)", "Ctrl+O"},
        {"MMFile", "MMSave", "保存(&S)", "Ctrl+S"},
        {"MMFile", "MMSaveAs", "名前を付けて保存(&A)", "Ctrl+W"},
        {"MMFile", "MMReload", "開きなおす(&R)", "", false, true},
        {"MMFile", "MMEncode", "エンコード設定(&K)", "", false, true},
        {"MMEncode", "MMAuto", "自動判別(&A)", "", true},
        {"MMEncode", "MMSHIFTJIS", "SHIFT_JIS(&S)", "", true},
        {"MMEncode", "MMEUC", "EUC(&E)", "", true},
        {"MMEncode", "MMJIS", "JIS(&J)", "", true},
        {"MMEncode", "MMUTF8", "UTF-8(&U)", "", true},
        {"MMFile", "MMLineEnd", "改行コード(&L)", "", false, true},
        {"MMLineEnd", "MMLineEndLF", "LF (Linux)(&L)", "", true},
        {"MMLineEnd", "MMLineEndCRLF", "CR LF (Windows)(&W)", "", true},
        {"MMLineEnd", "MMLineEndCR", "CR (&C)", "", true},
        {"MMFile", "-", "", ""},
        {"MMFile", "MMExit", "終了(&E)", "Alt+F4"},
        {"Edit1", "MMUndo", "元に戻す(&U)", "Ctrl+Z"},
        {"Edit1", "MMRedo", "やり直し(&R)", "Ctrl+Y", false, false, true},
        {"Edit1", "-", "", ""},
        {"Edit1", "MMCut", "切り取り(&T)", "Ctrl+X"},
        {"Edit1", "MMCopy", "コピー(&C)", "Ctrl+C"},
        {"Edit1", "MMPaste", "貼り付け(&P)", "Ctrl+V"},
        {"Edit1", "MMSelectAll", "すべて選択(&A)", "Ctrl+A"},
        {"Edit1", "-", "", ""},
        {"Edit1", "MMToggleComment", "コメント切り替え(&M)", "Ctrl+/"},
        {"Edit1", "MMReadOnly", "編集禁止(&O)", "", true},
        {"MMSearchMenu", "MMFind", "検索(&F)", "Ctrl+F"},
        {"MMSearchMenu", "MMFindNext", "次を検索(&S)", "F3"},
        {"MMSearchMenu", "MMFindPrev", "上を検索(&U)", "Shift+F3"},
        {"MMSearchMenu", "MMReplace", "置換(&R)…", "Ctrl+H"},
        {"MMSearchMenu", "-", "", ""},
        {"MMSearchMenu", "MMGoToLine", "指定行へ移動(&G)…", "Ctrl+G"},
        {"MMSearchMenu", "-", "", ""},
        {"MMSearchMenu", "MMBack", "戻る(&B)", "Alt+Left"},
        {"MMSearchMenu", "MMForward", "進む(&O)", "Alt+Right"},
        {"MMView", "MMScriptWindow", "&Script Window", ""},
        {"MMView", "MMResultWindow", "&Result Window", ""},
        {"MMView", "MMErrorWindow", "&Error Window", ""},
        {"MMView", "-", "", ""},
        {"MMView", "MMLineNumbers", "行番号(&N)", "", true},
        {"MMView", "MMSyntaxColours", "構文の色分け(&C)", "", true},
        {"MMView", "MMZoom", "文字の大きさ(&Z)", "", false, true},
        {"MMZoom", "MMZoomIn", "拡大(&I)", "Ctrl++"},
        {"MMZoom", "MMZoomOut", "縮小(&O)", "Ctrl+-"},
        {"MMZoom", "MMZoomReset", "標準の大きさ(&N)", "Ctrl+0"},
        {"MMView", "-", "", ""},
        {"MMView", "MMFormEditor", "フォームエディタ(&F)", "F6"},
        {"Execute1", "MMExecuteScript", "スクリプトを実行(&R)", "F9"},
        {"Execute1", "MMExecWithArgs", "引数を指定して実行(&I)…", "Shift+F9"},
        {"Execute1", "MMExecTestAtCaret", kTestAtCaretCaption, "Ctrl+F9"},
        {"Execute1", "MMExecToBrowser", "実行結果をブラウザへ出力(&B)", "F8"},
        {"Execute1", "MMExecToClip", "クリップボードから入力(&C)", "Shift+F8"},
        {"Execute1", "MMExecDOS", "DOS窓へ出力(&D)", "Ctrl+F8"},
        {"Execute1", "-", "", ""},
        {"Execute1", "MMNextError", "次のエラー行(&X)", "F4"},
        {"Execute1", "MMPrevError", "前のエラー行(&V)", "Shift+F4"},
        {"Execute1", "-", "", ""},
        {"Execute1", "MMMemoryDroppedFiles", "ドロップファイルを記憶(&M)", "", true},
        {"Execute1", "MMToBrowserAll", "常にブラウザへ(&B)", "", true},
        {"Execute1", "MMNotClip", "クリップボードに出力しない(&N)", "", true},
        {"Execute1", "MMUseCGI", "CGIデータを使う(&F)", "", true},
        {"Execute1", "MMSaveAll", "常に結果をファイルに保存(&S)", "", true},
        {"Execute1", "MMRunInTerminal", "端末モードで実行(&T)", "", true},
        {"Execute1", "-", "", ""},
        {"Execute1", "MMAutoRefresh", "オートリフレッシュ(&A)", "", true},
        {"Execute1", "MMExecuteEditor", "外部エディタの実行(&E)", ""},
        {"Execute1", "MMChangeDir", "カレントディレクトリの変更(&U)", ""},
        {"Config1", "MMLanguage", "言語(&L)", "", false, true},
        {"Config1", "MMEnvironmentSettings", "環境設定(&E)", "Ctrl+Shift+F11"},
        {"Config1", "MMLanguageSettings", "言語別の設定(&L)", "Ctrl+Shift+F12"},
        {"Config1", "MMNewLang", "新しい言語を追加(&N)", ""},
        {"Help1", "MMContents", "目次(&C)", ""},
        {"Help1", "MMSearchKeyword", "キーワード検索(&N)", "F1"},
        {"Help1", "-", "", ""},
        {"Help1", "MMVersion", "バージョン情報(&A)", ""},
    };
    return rows;
}

const std::vector<ButtonRow>& ToolBarTable() {
    static const std::vector<ButtonRow> buttons = {
        {"TBNew", "MMNew", "新規作成"},
        {"TBOpen", "MMOpen", "開く"},
        {"TBSave", "MMSave", "保存"},
        {"-", "", ""},
        {"TBCut", "MMCut", "切り取り"},
        {"TBCopy", "MMCopy", "コピー"},
        {"TBPaste", "MMPaste", "貼り付け"},
        {"TBReadOnly", "MMReadOnly", "編集禁止"},
        {"-", "", ""},
        {"TBExecuteScript", "MMExecuteScript", "スクリプトを実行"},
        {"TBExecToBrowser", "MMExecToBrowser", "ブラウザへ出力"},
        {"TBExecToClip", "MMExecToClip", "クリップボードから入力"},
        {"TBExecDOS", "MMExecDOS", "DOS窓へ実行"},
        {"-", "", ""},
        {"TBMemoryDroppedFiles", "MMMemoryDroppedFiles", "ドロップファイルを記憶"},
        {"TBToBrowserAll", "MMToBrowserAll", "常にブラウザへ"},
        {"TBNotClip", "MMNotClip", "クリップボードへ出力しない"},
        {"TBUseCGI", "MMUseCGI", "CGIデータを使う"},
        {"TBSaveAll", "MMSaveAll", "常に結果をファイルに保存"},
        {"TBRunInTerminal", "MMRunInTerminal", "端末モードで実行"},
        {"-", "", ""},
        {"TBAutoRefresh", "MMAutoRefresh", "オートリフレッシュ"},
        {"TBExecuteEditor", "MMExecuteEditor", "外部エディタの実行"},
        {"-", "", ""},
        {"TBSeachKeyword", "MMSearchKeyword", "キーワード検索"},
    };
    return buttons;
}

void CommandDispatcher::Register(const std::string& name, std::function<void()> handler) {
    handlers_[name] = std::move(handler);
}

bool CommandDispatcher::Dispatch(const std::string& name) {
    auto it = handlers_.find(name);
    return it != handlers_.end() && Guard(name, it->second);
}

bool CommandDispatcher::Guard(const std::string& what, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const std::bad_alloc&) {
        messages_.Show("メモリが足りません。", kErrorCaption, MessageIcon::Error);
    } catch (const std::exception& e) {
        messages_.Show(e.what(), kErrorCaption, MessageIcon::Error);
    } catch (...) {
        messages_.Show("Unexpected error in " + what, kErrorCaption, MessageIcon::Error);
    }
    return false;
}
