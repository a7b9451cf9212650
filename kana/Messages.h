// The texts of the file layer's error messages, Shift-JIS bytes, each identified by the
// error code it reports; ID 1 is the format for every other code. This one list feeds the
// Windows string table (kana.rc), the POSIX platform's texts and the codes that have a
// text of their own.
#pragma once

#define KANA_MESSAGE_GENERIC_ID 1

// X(Id, Text) for every message. The resource compiler reads this file too.
#define KANA_MESSAGES(X)                                                                           \
    /* I/O ｴﾗｰ (%d) */                                                                       \
    X(1, "I/O \xB4\xD7\xB0 (%d)")                                                                  \
    /* ﾌｧｲﾙが見つかりません */                                                     \
    X(2, "\xCC\xA7\xB2\xD9\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1")       \
    /* 不正なﾌｧｲﾙ名です */                                                           \
    X(3, "\x95s\x90\xB3\x82\xC8\xCC\xA7\xB2\xD9\x96\xBC\x82\xC5\x82\xB7")                          \
    /* ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます */                                      \
    X(4, "\xB5\xB0\xCC\xDF\xDD\x82\xB5\x82\xBD\xCC\xA7\xB2\xD9\x82\xAA\x91\xBD\x82\xB7\x82\xAC"    \
         "\x82\xDC\x82\xB7")                                                                       \
    /* ﾌｧｲﾙへのｱｸｾｽが拒否されました */                                   \
    X(5, "\xCC\xA7\xB2\xD9\x82\xD6\x82\xCC\xB1\xB8\xBE\xBD\x82\xAA\x8B\x91\x94\xDB\x82\xB3\x82"    \
         "\xEA\x82\xDC\x82\xB5\x82\xBD")                                                           \
    /* ﾌｧｲﾙの末尾以降を読み込みました */                                      \
    X(100, "\xCC\xA7\xB2\xD9\x82\xCC\x96\x96\x94\xF6\x88\xC8\x8D~"                                 \
           "\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xDC\x82\xB5\x82\xBD")                     \
    /* ﾃﾞｨｽｸがいっぱいです */                                                     \
    X(101, "\xC3\xDE\xA8\xBD\xB8\x82\xAA\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC5\x82\xB7")         \
    /* 入力値が数値ではありません */                                                  \
    X(106, "\x93\xFC\x97\xCD\x92l\x82\xAA\x90\x94\x92l\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC"    \
           "\x82\xB9\x82\xF1")
