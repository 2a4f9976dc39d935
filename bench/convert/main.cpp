// Converts 50 MB of EUC-JP and 67 MB of UTF-8 to Shift_JIS through the converter library's
// bounded entry point and through one bare iconv(3) call on the same bytes, round after round,
// and prints the medians. The library should cost no more than a tenth over iconv itself.

#include "Timing.h"
#include "nkf32/nkf32.h"
#include "platform/Tdll.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iconv.h>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 9;

const char kParagraph[] =
    "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした"
    "所でニャーニャー泣いていた事だけは記憶している。Perl 5.36 で print \"Hello\\n\"; と書く。"
    "①②③ 〜 ｶﾀｶﾅ 全角ＡＢＣ、記号「」『』【】※\n";

std::string IconvWhole(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 2 + 16, '\0');
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    out.resize(out.size() - ol);
    return out;
}

std::string Repeat(const std::string& unit, size_t bytes) {
    std::string s;
    s.reserve(bytes + unit.size());
    while (s.size() < bytes)
        s += unit;
    return s;
}

struct Library {
    SetNkfOptionProc setOption;
    NkfConvertSafeProc convertSafe;
};

bool Compare(const char* label, const Library& lib, const char* option, const char* charset,
             const std::string& input) {
    std::vector<char> out(input.size() * 2 + 16, 1); // touched once, so no round pays for paging
    std::vector<double> nkfTimes, iconvTimes;
    size_t nkfSize = 0, iconvSize = 0;
    iconv_t cd = iconv_open("CP932", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::printf("%s: no iconv from %s\n", label, charset);
        return false;
    }
    auto runLibrary = [&] {
        auto t0 = std::chrono::steady_clock::now();
        lib.setOption(option);
        size_t written = 0;
        int status = lib.convertSafe(out.data(), out.size(), &written, input.data(), input.size());
        auto t1 = std::chrono::steady_clock::now();
        nkfSize = written;
        nkfTimes.push_back(std::chrono::duration<double>(t1 - t0).count());
        return status == NKF_OK || status == NKF_REPLACED;
    };
    auto runIconv = [&] {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* ip = const_cast<char*>(input.data());
        size_t il = input.size();
        char* op = out.data();
        size_t ol = out.size();
        auto t0 = std::chrono::steady_clock::now();
        iconv(cd, &ip, &il, &op, &ol);
        auto t1 = std::chrono::steady_clock::now();
        iconvSize = out.size() - ol;
        iconvTimes.push_back(std::chrono::duration<double>(t1 - t0).count());
    };
    // Alternating which goes first evens out what the other programs on the machine do.
    for (int round = 0; round < kRounds; ++round) {
        if (round % 2)
            runIconv();
        if (!runLibrary()) {
            std::printf("%s: the library failed\n", label);
            return false;
        }
        if (round % 2 == 0)
            runIconv();
    }
    iconv_close(cd);
    double mb = static_cast<double>(input.size()) / 1e6;
    double nkf = Median(nkfTimes), bare = Median(iconvTimes);
    std::printf("%-34s %6.1f MB  libnkf32 %7.1f MB/s  iconv %7.1f MB/s  ratio %.3f%s\n", label, mb,
                mb / nkf, mb / bare, nkf / bare,
                nkfSize == iconvSize ? "" : "  (output sizes differ!)");
    return nkfSize == iconvSize;
}

} // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : ".";
    TDll dll(folder + "/libnkf32.so");
    Library lib{dll.Proc<SetNkfOptionProc>("SetNkfOption"),
                dll.Proc<NkfConvertSafeProc>("NkfConvertSafe")};
    if (!lib.setOption || !lib.convertSafe) {
        std::printf("cannot load %s/libnkf32.so: %s\n", folder.c_str(), dll.LoadError().c_str());
        return 1;
    }
    std::string utf8Unit = kParagraph;
    std::string euc = Repeat(IconvWhole("EUC-JP-MS", "UTF-8", utf8Unit), 50'000'000);
    std::string utf8 = Repeat(utf8Unit, 67'000'000);
    std::printf("medians of %d rounds, the same bytes for both\n", kRounds);
    bool ok = Compare("EUC-JP -> CP932 (-Es)", lib, "-Es", "EUC-JP-MS", euc);
    ok = Compare("UTF-8 -> CP932 (-Ws)", lib, "-Ws", "UTF-8", utf8) && ok;
    ok = Compare("EUC-JP -> CP932 guessed (-s)", lib, "-s", "EUC-JP-MS", euc) && ok;
    ok = Compare("UTF-8 -> CP932 guessed (-s)", lib, "-s", "UTF-8", utf8) && ok;
    return ok ? 0 : 1;
}
