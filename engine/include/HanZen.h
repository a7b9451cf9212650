// THanZen: the Shift-JIS (code page 932) conversion component.
//
// Text stays Shift-JIS bytes throughout. Every mapping is a virtual operation, and the
// string operations and ConvertLine reach the pair test and the per-character mappings
// only through those virtual operations, so a descendant that overrides one mapping
// changes everything built on it.
#pragma once

#include "Component.h"

#include <cstdint>
#include <string>
#include <string_view>

// Option types. One byte each; any byte value can be stored. A value outside the named
// ones acts as the type's value 0, except for TTab, where every non-zero value acts as
// tbSpace.
enum TConvSize : std::uint8_t { cvNone, cvSmall, cvBig };
enum TSpace : std::uint8_t { spNone, sp1byte, sp2byte };
enum TTab : std::uint8_t { tbNone, tbSpace };
enum TKata : std::uint8_t { kNone, k1byte, k2byte, kHira };
enum TToHira : std::uint8_t { thAll, th1Only, th2Only };
enum THira : std::uint8_t { hNone, h1Kata, h2Kata };
enum TMark : std::uint8_t { mNone, m1All, m2All };
// Which rules a conversion follows. mpClassic: the library's, always the same. mpFaithful:
// nothing is narrowed away and no character becomes another one in passing:
// - ｰ widens to the prolonged sound mark ー (0x81 0x5B), not to the minus sign － (0x81 0x7C);
// - a katakana whose half-width form would widen to another character stays as it is: ヮ
//   under k1byte, ° (which the classic rules narrow to ﾟ); ゎ under h1Kata becomes ヮ;
// - h1Kata narrows the kana punctuation ー 。 「 」 、 ・ ゛ ゜ as k1byte does;
// - kHira and h1Kata/h2Kata move the iteration marks too: ヽ ヾ ⇄ ゝ ゞ.
// Any other value acts as mpClassic.
enum TMapping : std::uint8_t { mpClassic, mpFaithful };
// One class of the characters that Mark converts (Latin letters, the digits 0..9, every
// other symbol), converted as Mark says (cwMark) or on its own: left alone, to ASCII, or to
// full width. Any other value acts as cwMark.
enum TClassWidth : std::uint8_t { cwMark, cwNone, cw1byte, cw2byte };
// A CR in a line: leCrLf gives CR LF and takes an LF that follows it (the library's rule);
// leKeep leaves CR and LF as they are, for text whose lines keep their own ends. Any
// other value acts as leCrLf.
enum TLineEnds : std::uint8_t { leCrLf, leKeep };

// Every option of a conversion in one value.
struct TOptions {
    TConvSize ConvSize = cvNone;
    TSpace Space = spNone;
    TTab Tab = tbNone;
    TKata Kata = kNone;
    TToHira ToHira = thAll;
    THira Hira = hNone;
    TMark Mark = mNone;
    std::int32_t SpLen = 0; // spaces per tab; zero or negative: a tab vanishes
    TMapping Mapping = mpClassic;
    TClassWidth Letters = cwMark; // A..Z, a..z and their full-width forms
    TClassWidth Digits = cwMark;  // 0..9 and theirs
    TClassWidth Symbols = cwMark; // every other character Mark converts
    TLineEnds LineEnds = leCrLf;
    // Greater than 0: after every other conversion, each tab becomes the spaces that reach
    // the next multiple of TabStops display columns (a double-byte character counts 2,
    // any other 1; a CR or LF starts column 0). A tab that Tab expands is gone by then.
    std::int32_t TabStops = 0;
    // Characters that no option converts, as Unicode code points in ascending order. A
    // kept voicing mark is not merged into the letter before it.
    std::u32string Keep{};

    // The Mark that applies to the ASCII graphic character Ch (0x21..0x7E), by its class.
    TMark MarkFor(std::uint8_t Ch) const;
    // True when Keep holds C.
    bool Keeps(char32_t C) const;

    bool operator==(const TOptions&) const = default;
};

class THanZen : public TComponent {
public:
    explicit THanZen(TComponent* AOwner);

    // Options. Each setter stores the value only when it differs from the field.
    TConvSize ConvSize() const { return FOptions.ConvSize; }
    void SetConvSize(TConvSize Value);
    TSpace Space() const { return FOptions.Space; }
    void SetSpace(TSpace Value);
    TTab Tab() const { return FOptions.Tab; }
    void SetTab(TTab Value);
    TKata Kata() const { return FOptions.Kata; }
    void SetKata(TKata Value);
    TToHira ToHira() const { return FOptions.ToHira; }
    void SetToHira(TToHira Value);
    THira Hira() const { return FOptions.Hira; }
    void SetHira(THira Value);
    TMark Mark() const { return FOptions.Mark; }
    void SetMark(TMark Value);
    // Spaces per tab; any value is stored as given.
    std::int32_t SpLen() const { return FOptions.SpLen; }
    void SetSpLen(std::int32_t Value) { FOptions.SpLen = Value; }
    TMapping Mapping() const { return FOptions.Mapping; }
    void SetMapping(TMapping Value) { FOptions.Mapping = Value; }
    // All of them at once; the options beyond the library's (Letters, Digits, Symbols,
    // LineEnds, TabStops, Keep) are set only this way.
    const TOptions& Options() const { return FOptions; }
    void SetOptions(const TOptions& Value) { FOptions = Value; }

    // The mappings, in slot order.

    // True when Lead is a lead byte (0x81..0x9F, 0xE0..0xFC) and Trail a trail byte
    // (0x40..0x7E, 0x80..0xFC).
    virtual bool IsDBCSPair(std::uint8_t Lead, std::uint8_t Trail) const;
    // Latin case and small half-width kana; any other byte comes back unchanged.
    virtual std::uint8_t HanToBig(std::uint8_t Ch) const;
    virtual std::uint8_t HanToSmall(std::uint8_t Ch) const;
    // The same for double-byte codes (lead byte high); the high byte is always Lead.
    virtual std::uint16_t ZenToBig(std::uint8_t Lead, std::uint8_t Trail) const;
    virtual std::uint16_t ZenToSmall(std::uint8_t Lead, std::uint8_t Trail) const;
    // Half-width form of a double-byte character with lead 0x81..0x83: one byte, a
    // letter and its voicing mark, or the pair itself when it has no such form. Empty
    // for any other lead.
    virtual std::string ZenCharToHan(std::uint8_t Lead, std::uint8_t Trail) const;
    // Full-width form of one single-byte character; Next is the byte after it (0 when
    // none) and combines with it when it is a voicing mark the letter takes. Empty for
    // a byte without a full-width form.
    virtual std::string HanCharToZen(std::uint8_t Ch, std::uint8_t Next) const;
    virtual std::string ZenToHan(std::string_view S) const;
    virtual std::string HanToZen(std::string_view S) const;
    virtual std::string StrToBig(std::string_view S) const;
    virtual std::string StrToSmall(std::string_view S) const;
    virtual std::string HiraToKata(std::string_view S) const;
    virtual std::string KataToHira(std::string_view S) const;
    // Byte class of the first byte of S (0 for an empty S): 0 controls, space and bytes
    // that start nothing; 1 ASCII graphic; 2 half-width kana area; 3 lead bytes.
    virtual int CharKind(std::string_view S) const;

    // Converts one line under the current options. Every byte is converted, NUL included.
    // Under LineEnds leKeep, S may be a whole text of many lines, each with its line end:
    // converting it in one call is the fastest way.
    std::string ConvertLine(std::string_view S) const;
    // The same into Out, whose content is replaced and whose storage is reused.
    void ConvertLine(std::string_view S, std::string& Out) const;
    // The same, appended to Out.
    void AppendLine(std::string_view S, std::string& Out) const;

private:
    TOptions FOptions;
};

namespace kana::detail {
// Where a line of Shift-JIS text may be cut: the length of the longest prefix of S
// after which converting the prefix and then the rest of the line gives the bytes of the
// whole line converted at once, under any options. S must start where a character does.
// Never inside a double-byte character, before a voicing mark that may join the letter
// before it, or after a CR; 0 when S holds no such place.
std::size_t LastCut(std::string_view S);
} // namespace kana::detail
