// THanZen: the Shift-JIS (code page 932) conversion component.
//
// Text stays Shift-JIS bytes throughout. Every mapping is a virtual operation, and the
// string operations and ConvertLine reach the pair test and the per-character mappings
// only through those virtual operations, so a descendant that overrides one mapping
// changes everything built on it.
#pragma once

#include "Component.h"

#include <array>
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

class THanZen : public TComponent {
public:
    explicit THanZen(TComponent* AOwner);

    // Options. Each setter stores the value only when it differs from the field.
    TConvSize ConvSize() const { return FConvSize; }
    void SetConvSize(TConvSize Value);
    TSpace Space() const { return FSpace; }
    void SetSpace(TSpace Value);
    TTab Tab() const { return FTab; }
    void SetTab(TTab Value);
    TKata Kata() const { return FKata; }
    void SetKata(TKata Value);
    TToHira ToHira() const { return FToHira; }
    void SetToHira(TToHira Value);
    THira Hira() const { return FHira; }
    void SetHira(THira Value);
    TMark Mark() const { return FMark; }
    void SetMark(TMark Value);
    // Spaces per tab; any value is stored as given (zero or negative: a tab vanishes).
    std::int32_t SpLen() const { return FSpLen; }
    void SetSpLen(std::int32_t Value) { FSpLen = Value; }

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
    std::string ConvertLine(std::string_view S) const;
    // The same into Out, whose content is replaced and whose storage is reused.
    void ConvertLine(std::string_view S, std::string& Out) const;

    // The per-character step of ConvertLine: appends the text for the character that
    // starts with Ch to Out and returns how many bytes it used (1 or 2). NextCh is the
    // byte after Ch; HasNext is false when Ch ends the line.
    int ConvertChar(std::uint8_t Ch, std::uint8_t NextCh, bool HasNext, std::string& Out) const;

private:
    template <class PairStep, class SingleStep>
    std::string PairWalk(std::string_view S, PairStep Pair, SingleStep Single) const;
    // Appends Text after the letter-size step that ConvSize selects.
    void AppendSized(std::string_view Text, std::string& Out) const;
    // ConvertChar for a lead byte and the byte after it.
    void ConvertDoubleByte(std::string_view P, std::string& Out) const;

    TConvSize FConvSize = cvNone;
    TSpace FSpace = spNone;
    TTab FTab = tbNone;
    TKata FKata = kNone;
    TToHira FToHira = thAll;
    THira FHira = hNone;
    TMark FMark = mNone;
    std::int32_t FSpLen = 0;
};

// The mapping tables, constants shared by every instance. Entries are Shift-JIS bytes.
namespace HanZenTables {
// Full-width forms of the ASCII punctuation, indexed by the byte (0x20..0x2F, 0x3A..0x40,
// 0x5B..0x60, 0x7B..0x7F); digits and letters are computed, and 0x7F has no form.
extern const std::array<std::string_view, 0x80> ZenSymbolTable;
// Full-width forms of 0xA0..0xDF, indexed by byte - 0xA0.
extern const std::array<std::string_view, 0x40> ZenKanaTable;
// Voiced forms (letter + 0xDE) of 0xB6..0xC4 and 0xCA..0xCE, indexed by byte - 0xB6;
// the slots 0xC5..0xC9 between the two runs are empty.
extern const std::array<std::string_view, 0x19> ZenDakuonTable;
// Semi-voiced forms (letter + 0xDF) of 0xCA..0xCE, indexed by byte - 0xCA.
extern const std::array<std::string_view, 0x05> ZenHandakuonTable;
// Half-width forms of lead-0x81 symbols: (Trail + Up - Down) mod 256, indexed by
// Trail - 0x40 over 0x40..0x9F; a result equal to Trail means no half-width form.
extern const std::array<std::uint8_t, 0x60> HanSymbolUp;
extern const std::array<std::uint8_t, 0x60> HanSymbolDown;
// Half-width forms of lead-0x83 katakana, indexed by Trail - 0x40 over 0x40..0x94
// (0x7F has no entry).
extern const std::array<std::string_view, 0x55> HanKataTable;
} // namespace HanZenTables
