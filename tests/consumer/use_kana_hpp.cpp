// A C++ program that uses the installed library through kana.hpp: a conversion, a
// converter shared by two threads, a character the output cannot hold, a judgement.
#include <kana.hpp>

#include <cstdio>
#include <thread>

int main() {
    kana::Options Wide;
    Wide.kata = kana::Kata::TwoByte;
    Wide.set("mark", "1all");
    if (kana::convert("ｶﾞｰﾙ ＡＢＣ", Wide) != "ガール ABC") return std::puts("convert"), 1;

    const kana::Converter ToHira(kana::Options().set("kata", "hira"));
    std::string A, B;
    std::thread T([&] { A = ToHira("カタカナ"); });
    B = ToHira("ヒラガナ");
    T.join();
    if (A != "かたかな" || B != "ひらがな") return std::puts("converter"), 1;

    try {
        kana::convert("ア😀", kana::Options().set("to", "sjis"));
        return std::puts("no error"), 1;
    } catch (const kana::Error& E) {
        if (E.Code != KANA_E_UNWRITABLE || E.Line != 1 || E.Column != 2) return std::puts("error"), 1;
    }
    if (kana::judge("\x82\xA0\x82\xA2").encoding != KANA_ENCODING_SJIS) return std::puts("judge"), 1;
    return 0;
}
