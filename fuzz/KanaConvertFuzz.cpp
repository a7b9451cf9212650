// KanaConvert through its C declaration, on a random file under random options: the
// result is 1, no error is recorded, the destination holds every line converted by a
// THanZen under the same options and ended by CR LF, and nothing else is left behind.
// A conversion from a missing source then fails with code 2 and leaves the destination
// as it was.
//
// Input: the option bytes (FuzzSupport.h); a mode byte; then the source file's bytes.
// Mode bit 0 converts the file in place; bit 1 passes a non-zero CheckSame, whose low 16
// bits are 0 in place; bit 2 removes the destination first (not in place), or makes the
// failing conversion (in place); bits 3..7 go into the option arguments above their low
// 8 bits, and pick the message buffer's size for the failure.
#include "FuzzSupport.h"
#include "LineModel.h"
#include "kana.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t MaxFile = 1 << 14;

// The input being run, described only when a check fails.
TOptions Current;
std::uint8_t Mode;
std::string_view File;

std::string Input() {
    return fuzz::Describe(Current) + "mode: " + std::to_string(Mode) + " (in place " +
           std::to_string(Mode & 1) + ", CheckSame " + std::to_string(Mode >> 1 & 1) +
           ", destination removed or failing call " + std::to_string(Mode >> 2 & 1) +
           ", bits above the options' low 8: " + std::to_string(Mode >> 3) + ")\n" +
           fuzz::Show("file", File);
}

std::uint16_t Convert(const std::filesystem::path& Src, const std::filesystem::path& Dest,
                      std::uint32_t CheckSame) {
    const std::uint32_t High = std::uint32_t{Mode} >> 3 << 8;
    const TOptions& O = Current;
    return KanaConvert(Src.c_str(), Dest.c_str(), CheckSame, O.ConvSize | High, O.Space | High,
                       O.Tab | High, O.SpLen, O.Kata | High, O.ToHira | High, O.Hira | High,
                       O.Mark | High);
}

// Nothing but the source and the destination is left behind.
void CheckFolder(const std::filesystem::path& Dir) {
    for (const std::string& Name : Entries(Dir))
        if (Name != "src.txt" && Name != "dest.txt")
            fuzz::Fail("nothing left behind", Input() + Name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    if (Size < fuzz::OptionBytes + 1 || Size > fuzz::OptionBytes + 1 + MaxFile) return 0;
    Current = fuzz::DecodeOptions(Data);
    Current.Mapping = mpClassic; // the only mapping the export knows
    Mode = Data[fuzz::OptionBytes];
    File = std::string_view(reinterpret_cast<const char*>(Data) + fuzz::OptionBytes + 1,
                            Size - fuzz::OptionBytes - 1);
    if (fuzz::Printing()) fuzz::Print(Input());
    const bool InPlace = Mode & 1, OddCheckSame = Mode & 2, Bit2 = Mode & 4;
    const std::uint32_t CheckSame = !OddCheckSame ? 0 : InPlace ? 0x10000u << (Mode >> 3) % 16 : 1;

    const std::filesystem::path& Dir = fuzz::Scratch();
    const auto Src = Dir / "src.txt", Dest = InPlace ? Src : Dir / "dest.txt";
    WriteAll(Src, std::string(File));
    std::error_code Ignored;
    if (Bit2 && !InPlace) std::filesystem::remove(Dest, Ignored);

    const std::uint16_t Result = Convert(Src, Dest, CheckSame);
    char Message[256];
    const std::int32_t Code = KanaLastError(Message, sizeof Message);
    if (Result != 1 || Code != 0)
        fuzz::Fail("KanaConvert succeeds", Input() + "result " + std::to_string(Result) +
                                               ", code " + std::to_string(Code) + ": " +
                                               Hex(Message) + "\n");
    THanZen H(nullptr);
    H.SetOptions(Current);
    std::string Want;
    for (const auto& [Line, End] : LineModel(File, true)) Want += H.ConvertLine(Line) + "\r\n";
    const std::string Got = ReadAll(Dest);
    if (Got != Want)
        fuzz::Fail("the destination holds every line converted",
                   Input() + fuzz::Show("expected", Want) + fuzz::Show("got", Got));
    if (!InPlace && ReadAll(Src) != File) fuzz::Fail("the source is unchanged", Input());
    CheckFolder(Dir);
    if (!(Bit2 && InPlace)) return 0;

    // A missing source: code 2 and its message, cut to the buffer; the destination stays.
    const std::size_t Cut = Mode >> 3;
    if (Convert(Dir / "missing.txt", Dest, 0) != 0 || KanaLastError(nullptr, 0) != 2)
        fuzz::Fail("a missing source fails with code 2", Input());
    static const std::string Full = Sjis("ﾌｧｲﾙが見つかりません");
    std::memset(Message, 'x', sizeof Message);
    if (KanaLastError(Message, Cut) != 2 ||
        (Cut > 0 && Message != Full.substr(0, std::min(Cut - 1, Full.size()))) ||
        (Cut == 0 && Message[0] != 'x'))
        fuzz::Fail("the message, cut to the buffer",
                   Input() + fuzz::Show("got", std::string_view(Message,
                                                                strnlen(Message, sizeof Message))));
    if (ReadAll(Dest) != Want) fuzz::Fail("a failure leaves the destination", Input());
    CheckFolder(Dir);
    return 0;
}
