#include "FailureReasons.h"

#include <iterator>

namespace {

struct ReasonWords {
    std::string_view library;
    std::string_view japanese;
};

constexpr ReasonWords kReasons[] = {
    {"cannot open the archive", "書庫を開けません"},
    {"cannot read the archive's attributes", "書庫の属性を読めません"},
    {"cannot read the archive", "書庫を読めません"},
    {"the archive is not a regular file", "書庫が通常のファイルではありません"},
    {"the file is empty, not a ZIP archive", "ファイルが空です (ZIP 書庫ではありません)"},
    {"not a ZIP archive (too short for an end record)",
     "ZIP 書庫ではありません (終端レコードには短すぎます)"},
    {"not a ZIP archive (no end record)", "ZIP 書庫ではありません (終端レコードがありません)"},
    {"the archive has two end records that name two directories",
     "書庫の終端レコードが 2 つあり、別々のセントラルディレクトリを指しています"},
    {"the archive's directory names no entries, yet the archive holds some",
     "セントラルディレクトリは空ですが、書庫にはエントリがあります"},
    {"the archive is cut short", "書庫が途中で切れています (ダウンロードの途中かもしれません)"},
    {"a volume of the archive is missing", "分割された書庫の一部がありません"},
    {"a volume of the archive is shorter than the archive says",
     "分割された書庫の一部が短すぎます (コピーの途中かもしれません)"},
    {"a volume of the archive is not a regular file",
     "分割された書庫の一部が通常のファイルではありません"},
    {"cannot open a volume of the archive", "分割された書庫の一部を開けません"},
    {"the numbered volumes hold an archive split into volumes of its own",
     "番号付きの分割書庫の中に、さらに分割された書庫があります"},
    {"a disk number lies past the archive's last volume",
     "ディスク番号が分割された書庫の最後の部分を越えています"},
    {"the archive's two end records disagree", "書庫の 2 つの終端レコードが食い違っています"},
    {"the zip64 end record is missing", "zip64 終端レコードがありません"},
    {"the archive is truncated", "書庫が途中で切れています"},
    {"the archive is truncated (central directory out of place)",
     "書庫が途中で切れています (セントラルディレクトリの位置が不正です)"},
    {"the archive is truncated (an entry's header runs past its end)",
     "書庫が途中で切れています (エントリのヘッダーが書庫の末尾を越えています)"},
    {"the archive is truncated (an entry's data runs past its end)",
     "書庫が途中で切れています (エントリのデータが書庫の末尾を越えています)"},
    {"the central directory is larger than 4 GiB", "セントラルディレクトリが 4 GiB を超えています"},
    {"the central directory is damaged", "セントラルディレクトリが壊れています"},
    {"the archive's central directory is encrypted, which this library does not read",
     "セントラルディレクトリが暗号化されています (読めない形式です)"},
    {"the archive's entry count is ambiguous", "書庫のエントリ数があいまいです"},
    {"entries overlap one another in the archive", "書庫の中でエントリが重なり合っています"},
    {"an entry runs into the central directory",
     "エントリがセントラルディレクトリに食い込んでいます"},
    {"the archive holds an entry its directory does not name",
     "セントラルディレクトリに載っていないエントリが書庫にあります"},
    {"an entry lacks its zip64 sizes", "エントリに zip64 のサイズがありません"},
    {"an entry's zip64 field is too short", "エントリの zip64 フィールドが短すぎます"},
    {"an entry's local header is missing", "エントリのローカルヘッダーがありません"},
    {"an entry's local header disagrees with the central directory",
     "エントリのローカルヘッダーがセントラルディレクトリと食い違っています"},
    {"an entry's data descriptor disagrees with the central directory",
     "エントリのデータ記述子がセントラルディレクトリと食い違っています"},
    {"the name is empty", "名前が空です"},
    {"the name holds a control character", "名前に制御文字が含まれています"},
    {"the name is an absolute path", "名前が絶対パスです"},
    {"the name climbs out of its folder (..)", "名前がフォルダーの外を指しています (..)"},
    {"the name starts with a drive letter", "名前がドライブ文字で始まっています"},
    {"the name has no file name in it", "名前にファイル名がありません"},
    {"the name comes twice in the archive", "同じ名前が書庫に 2 度あります"},
    {"the name comes twice in the archive, differing only in case",
     "大文字と小文字だけが違う名前が書庫に 2 度あります"},
    {"the name comes twice in the archive, differing only in its Unicode form",
     "Unicode の表し方だけが違う名前が書庫に 2 度あります"},
    {"the link has no target", "リンクの先がありません"},
    {"the link points to an absolute path", "リンクが絶対パスを指しています"},
    {"the link's target holds a control character or a backslash",
     "リンクの先に制御文字か \\ が含まれています"},
    {"the link points outside the output folder", "リンクが解凍先フォルダーの外を指しています"},
    {"the link's target is too long", "リンクの先が長すぎます"},
    {"unsupported compression method", "対応していない圧縮方式です"},
    {"the entry needs more memory to decode than is allowed",
     "展開に許されたより多くのメモリーが必要です"},
    {"the compressed data ends early", "圧縮データが途中で終わっています"},
    {"the compressed data ends before its declared size",
     "圧縮データが宣言されたサイズより前に終わっています"},
    {"the compressed data is damaged", "データが壊れています"},
    {"the deflate data is damaged", "データが壊れています (Deflate)"},
    {"the Deflate64 data is damaged", "データが壊れています (Deflate64)"},
    {"the bzip2 data is damaged", "データが壊れています (bzip2)"},
    {"the LZMA data is damaged", "データが壊れています (LZMA)"},
    {"the LZMA header is damaged", "LZMA のヘッダーが壊れています"},
    {"the Zstandard data is damaged", "データが壊れています (Zstandard)"},
    {"cannot start the LZMA decoder", "LZMA の展開を始められません"},
    {"cannot start the xz decoder", "xz の展開を始められません"},
    {"cannot start the bzip2 decoder", "bzip2 の展開を始められません"},
    {"cannot start the Zstandard decoder", "Zstandard の展開を始められません"},
    {"the entry produces more bytes than it declares",
     "エントリが宣言より多くのバイトを出しています"},
    {"the entry produces fewer bytes than it declares",
     "エントリが宣言より少ないバイトしか出していません"},
    {"CRC-32 mismatch", "CRC が一致しません (データが壊れています)"},
    {"the entry is encrypted", "エントリが暗号化されています"},
    {"the entry uses strong encryption, which this library does not read",
     "エントリが読めない形式で暗号化されています (強力な暗号化)"},
    {"the entry's AES field is missing or names no known key size",
     "エントリの AES フィールドがないか、鍵の長さが不明です"},
    {"the encrypted entry is too short for its cipher's header",
     "暗号化されたエントリが暗号ヘッダーより短いです"},
    {"no listed password opens it", "パスワードが違います"},
    {"the entry's authentication code does not match: its data was altered",
     "認証コードが一致しません (データが書き換えられています)"},
    {"the decryption library failed", "復号ライブラリーが失敗しました"},
    {"cannot open the output folder", "解凍先フォルダーを開けません"},
    {"the path passes through a symbolic link", "パスがシンボリックリンクを通っています"},
    {"the path passes through something not a folder", "パスがフォルダーでないものを通っています"},
    {"cannot open the folder", "フォルダーを開けません"},
    {"cannot create the folder", "フォルダーを作れません"},
    {"a folder vanished while it was being created", "作っている間にフォルダーが消えました"},
    {"cannot read the free space", "空き容量を読めません"},
    {"not enough free space on the disk", "ディスクの空き容量が足りません"},
    {"cannot create a file", "ファイルを作れません"},
    {"cannot lock a new file", "新しいファイルをロックできません"},
    {"cannot find a free temporary name", "一時ファイルの名前が見つかりません"},
    {"cannot write the file", "ファイルに書き込めません"},
    {"cannot flush the file to the disk", "ファイルをディスクに書き出せません"},
    {"cannot set the file's mode and time", "ファイルの属性と時刻を設定できません"},
    {"cannot finish writing the file", "ファイルの書き込みを終えられません"},
    {"cannot put the file in place", "ファイルを置けません"},
    {"cannot create the symbolic link", "シンボリックリンクを作れません"},
    {"cannot put the symbolic link in place", "シンボリックリンクを置けません"},
    {"the entry was not reached", "エントリまで処理が進みませんでした"},
    {"not enough memory", "メモリーが足りません"},
    {"the paths take more than 4 GiB", "パスが合わせて 4 GiB を超えています"},
    {"an internal error stopped the entry", "内部エラーでエントリの処理が止まりました"},
    {"the extraction stopped", "内部エラーで解凍が止まりました"},
    {"unterminated quote in the command line", "コマンドラインの引用符が閉じていません"},
    {"the command must be x (extract with full paths)",
     "コマンドは x (パス付きで解凍) でなければなりません"},
    {"more than one output folder", "解凍先フォルダーが 2 つ以上あります"},
    {"unknown switch", "知らないスイッチです"},
    {"switch given twice", "同じスイッチが 2 度あります"},
    {"more than one archive", "書庫が 2 つ以上あります"},
    {"the switches -r -hide -aoa -y are all required",
     "スイッチ -r -hide -aoa -y がすべて必要です"},
    {"no archive named", "書庫が指定されていません"},
    {"no output folder given with -o", "解凍先フォルダーが -o で指定されていません"},
};

constexpr std::string_view kNoPasswordOpensIt = "no listed password opens it";
constexpr std::string_view kSeparator = ": ";

// The report's English openings of its reason lines, and what the notification says instead.
struct Opening {
    std::string_view library;
    std::string_view japanese;
};
constexpr Opening kOpenings[] = {
    {"Failed: ", ""},
    {"Command line refused: ", "コマンドラインを受け付けません: "},
    {"Internal error: ", ""},
};

struct ReasonAt {
    size_t at = 0;  // where the reason starts in the line's text
    const ReasonWords* words = nullptr;
};

// The known reason that stands in text between separators, the last one where several
// do: a name comes before its reason, and names are what an archive may make up.
ReasonAt FindReason(std::string_view text) {
    ReasonAt found;
    for (const ReasonWords& words : kReasons) {
        for (size_t at = text.rfind(words.library); at != std::string_view::npos;
             at = at == 0 ? std::string_view::npos : text.rfind(words.library, at - 1)) {
            const size_t end = at + words.library.size();
            const bool startsAPart = at == 0 || text.substr(0, at).ends_with(kSeparator);
            const bool endsAPart = end == text.size() || text.substr(end).starts_with(kSeparator);
            if (startsAPart && endsAPart) {
                if (found.words == nullptr || at > found.at) {
                    found = {at, &words};
                }
                break;
            }
        }
    }
    return found;
}

bool IsNumber(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos;
}

// The details the library words itself, rather than a path or the system's words: how
// many entries of an archive cut short were whole, what an entry needed and what was free.
std::string DetailInJapanese(std::string_view detail) {
    for (const std::string_view whole : {" whole entries were read", " whole entry was read"}) {
        if (detail.ends_with(whole) && IsNumber(detail.substr(0, detail.size() - whole.size()))) {
            return "完全に届いたファイルは " +
                   std::string(detail.substr(0, detail.size() - whole.size())) + " 個です";
        }
    }
    constexpr std::string_view kNeeded = " needed, ";
    constexpr std::string_view kFree = " free";
    if (const size_t needed = detail.find(kNeeded);
        needed != std::string_view::npos && detail.ends_with(kFree)) {
        return "必要 " + std::string(detail.substr(0, needed)) + "、空き " +
               std::string(detail.substr(needed + kNeeded.size(),
                                         detail.size() - needed - kNeeded.size() - kFree.size()));
    }
    return std::string(detail);
}

}  // namespace

std::optional<std::string_view> JapaneseReason(std::string_view libraryReason) {
    for (const ReasonWords& words : kReasons) {
        if (words.library == libraryReason) {
            return words.japanese;
        }
    }
    return std::nullopt;
}

std::string ReportLineInJapanese(std::string_view line) {
    for (const Opening& opening : kOpenings) {
        if (!line.starts_with(opening.library)) {
            continue;
        }
        const std::string_view text = line.substr(opening.library.size());
        const ReasonAt reason = FindReason(text);
        if (reason.words == nullptr) {
            return std::string(text);  // in the library's words
        }
        const std::string_view after = text.substr(reason.at + reason.words->library.size());
        return std::string(opening.japanese)
            .append(text.substr(0, reason.at))
            .append(reason.words->japanese)
            .append(after.starts_with(kSeparator)
                        ? std::string(kSeparator) +
                              DetailInJapanese(after.substr(kSeparator.size()))
                        : std::string(after));
    }
    return std::string(line);
}

bool LineWantsPassword(std::string_view line) {
    if (!line.starts_with(kOpenings[0].library)) {
        return false;
    }
    const ReasonAt reason = FindReason(line.substr(kOpenings[0].library.size()));
    return reason.words != nullptr && reason.words->library == kNoPasswordOpensIt;
}
