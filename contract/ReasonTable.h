// Every reason the extraction library gives for what it could not do, with the words the
// window shows for it: one table, from which the reasons' enumeration, the library's words
// and the window's Japanese are all made, so that no reason can be added without its words. X(name,
// the library's words, the window's words).
#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

// clang-format off
#define KESTO_REASONS(X) \
    /* the archive as a whole */ \
    X(kCannotOpenArchive, "cannot open the archive", \
      "書庫を開けません") \
    X(kCannotReadArchiveAttributes, "cannot read the archive's attributes", \
      "書庫の情報を読めません") \
    X(kCannotReadArchive, "cannot read the archive", \
      "書庫を読めません") \
    X(kArchiveNotRegularFile, "the archive is not a regular file", \
      "書庫が普通のファイルではありません") \
    X(kEmptyFile, "the file is empty, not a ZIP archive", \
      "ファイルが空です (ZIP 書庫ではありません)") \
    X(kTooShortForEndRecord, "not a ZIP archive (too short for an end record)", \
      "ZIP 書庫ではありません (短すぎます)") \
    X(kNoEndRecord, "not a ZIP archive (no end record)", \
      "ZIP 書庫ではないか、壊れています") \
    X(kEndRecordAmbiguous, "the archive has two end records that name two directories", \
      "書庫が壊れているか、細工されています (終わりの部分が 2 つあります)") \
    X(kDirectoryEmptyButEntries, "the archive's directory names no entries, yet the archive holds some", \
      "書庫が壊れています (目次が空です)") \
    X(kCutShort, "the archive is cut short", \
      "書庫が途中で切れています (ダウンロード中かもしれません)") \
    X(kVolumeMissing, "a volume of the archive is missing", \
      "分割された書庫の一部がありません") \
    X(kVolumeShort, "a volume of the archive is shorter than the archive says", \
      "分割された書庫の一部が短すぎます (コピー中かもしれません)") \
    X(kVolumeNotRegularFile, "a volume of the archive is not a regular file", \
      "分割された書庫の一部が普通のファイルではありません") \
    X(kCannotOpenVolume, "cannot open a volume of the archive", \
      "分割された書庫の一部を開けません") \
    X(kNumberedVolumesSplitAgain, "the numbered volumes hold an archive split into volumes of its own", \
      "分割された書庫の中身がさらに分割されています") \
    X(kDiskNumberPastTheLast, "a disk number lies past the archive's last volume", \
      "分割された書庫が壊れています") \
    X(kEndRecordsDisagree, "the archive's two end records disagree", \
      "書庫が壊れています") \
    X(kZip64EndMissing, "the zip64 end record is missing", \
      "書庫が壊れています (大きな書庫の情報がありません)") \
    X(kTruncated, "the archive is truncated", \
      "書庫が途中で切れています") \
    X(kDirectoryOutOfPlace, "the archive is truncated (central directory out of place)", \
      "書庫が途中で切れているか、壊れています") \
    X(kHeaderPastEnd, "the archive is truncated (an entry's header runs past its end)", \
      "書庫が途中で切れています") \
    X(kDataPastEnd, "the archive is truncated (an entry's data runs past its end)", \
      "書庫が途中で切れています") \
    X(kDirectoryTooLarge, "the central directory is larger than 4 GiB", \
      "書庫の目次が大きすぎます (4 GiB を超えています)") \
    X(kDirectoryDamaged, "the central directory is damaged", \
      "書庫が壊れています (目次)") \
    X(kDirectoryEncrypted, "the archive's central directory is encrypted, which this library does not read", \
      "書庫の目次が暗号化されていて、読めません") \
    X(kEntryCountAmbiguous, "the archive's entry count is ambiguous", \
      "書庫が壊れています (ファイルの数が合いません)") \
    X(kEntriesOverlap, "entries overlap one another in the archive", \
      "書庫が壊れているか、細工されています (ファイルが重なっています)") \
    X(kEntryRunsIntoDirectory, "an entry runs into the central directory", \
      "書庫が壊れています") \
    X(kEntryNotInDirectory, "the archive holds an entry its directory does not name", \
      "書庫が壊れているか、細工されています (目次にないファイルがあります)") \
    X(kZip64SizesMissing, "an entry lacks its zip64 sizes", \
      "ファイルが壊れています (大きさの情報がありません)") \
    X(kZip64FieldTooShort, "an entry's zip64 field is too short", \
      "ファイルが壊れています (大きさの情報が短すぎます)") \
    X(kLocalHeaderMissing, "an entry's local header is missing", \
      "ファイルが壊れています (見出しがありません)") \
    X(kLocalHeaderDisagrees, "an entry's local header disagrees with the central directory", \
      "ファイルが壊れています (見出しが目次と合いません)") \
    X(k7zHeaderDamaged, "the 7z archive's header is damaged", \
      "書庫が壊れています (7z の目次)") \
    X(kArchiveDamaged, "the archive is damaged", \
      "書庫が壊れています") \
    X(kRarEncrypted, "the RAR archive is encrypted, which this library does not read", \
      "パスワード付きのRAR書庫には対応していません") \
    X(kDescriptorDisagrees, "an entry's data descriptor disagrees with the central directory", \
      "ファイルが壊れています (大きさが目次と合いません)") \
    /* names */ \
    X(kNameEmpty, "the name is empty", \
      "ファイル名が空です") \
    X(kNameHoldsControlCharacter, "the name holds a control character", \
      "ファイル名に使えない文字があります") \
    X(kNameIsAbsolute, "the name is an absolute path", \
      "ファイル名がフォルダーの外を指しています") \
    X(kNameClimbsOut, "the name climbs out of its folder (..)", \
      "ファイル名がフォルダーの外を指しています (..)") \
    X(kNameHasDriveLetter, "the name starts with a drive letter", \
      "ファイル名がドライブ名で始まっています") \
    X(kNameHasNoFileName, "the name has no file name in it", \
      "ファイル名がありません") \
    X(kNameComesTwice, "the name comes twice in the archive", \
      "同じ名前のファイルが 2 つあります") \
    X(kNameComesTwiceInCase, "the name comes twice in the archive, differing only in case", \
      "大文字と小文字だけが違う名前のファイルが 2 つあります") \
    X(kNameComesTwiceInForm, "the name comes twice in the archive, differing only in its Unicode form", \
      "見た目が同じ名前のファイルが 2 つあります") \
    /* links */ \
    X(kLinkHasNoTarget, "the link has no target", \
      "リンク先がありません") \
    X(kLinkIsAbsolute, "the link points to an absolute path", \
      "リンクがフォルダーの外を指しています") \
    X(kLinkTargetHoldsControlCharacter, "the link's target holds a control character or a backslash", \
      "リンク先に使えない文字があります") \
    X(kLinkPointsOutside, "the link points outside the output folder", \
      "リンクがフォルダーの外を指しています") \
    X(kLinkTargetTooLong, "the link's target is too long", \
      "リンクの先が長すぎます") \
    X(kDeviceNotCreated, "the entry is a device or a FIFO, which is not created", \
      "デバイスや FIFO は作りません") \
    /* methods and data */ \
    X(kUnsupportedMethod, "unsupported compression method", \
      "対応していない圧縮方式です") \
    X(kNeedsTooMuchMemory, "the entry needs more memory to decode than is allowed", \
      "解凍に必要なメモリーが多すぎます") \
    X(kDataEndsEarly, "the compressed data ends early", \
      "ファイルが壊れています (途中で切れています)") \
    X(kDataEndsBeforeDeclaredSize, "the compressed data ends before its declared size", \
      "ファイルが壊れています (途中で切れています)") \
    X(kDataDamaged, "the compressed data is damaged", \
      "ファイルが壊れています") \
    X(kDeflateDamaged, "the deflate data is damaged", \
      "ファイルが壊れています") \
    X(kDeflate64Damaged, "the Deflate64 data is damaged", \
      "ファイルが壊れています") \
    X(kBzip2Damaged, "the bzip2 data is damaged", \
      "ファイルが壊れています") \
    X(kLzmaDamaged, "the LZMA data is damaged", \
      "ファイルが壊れています") \
    X(kLzmaHeaderDamaged, "the LZMA header is damaged", \
      "ファイルが壊れています") \
    X(kZstandardDamaged, "the Zstandard data is damaged", \
      "ファイルが壊れています") \
    X(kCannotStartLzma, "cannot start the LZMA decoder", \
      "解凍を始められません (LZMA)") \
    X(kCannotStartXz, "cannot start the xz decoder", \
      "解凍を始められません (xz)") \
    X(kCannotStartBzip2, "cannot start the bzip2 decoder", \
      "解凍を始められません (bzip2)") \
    X(kCannotStartZstandard, "cannot start the Zstandard decoder", \
      "解凍を始められません (Zstandard)") \
    X(kMoreBytesThanDeclared, "the entry produces more bytes than it declares", \
      "ファイルが壊れています (大きさが合いません)") \
    X(kFewerBytesThanDeclared, "the entry produces fewer bytes than it declares", \
      "ファイルが壊れています (大きさが合いません)") \
    X(kCrcMismatch, "CRC-32 mismatch", \
      "ファイルが壊れています") \
    /* encryption */ \
    X(kEncrypted, "the entry is encrypted", \
      "ファイルが暗号化されています") \
    X(kStrongEncryption, "the entry uses strong encryption, which this library does not read", \
      "対応していない方式で暗号化されています") \
    X(kUnknownAesField, "the entry's AES field is missing or names no known key size", \
      "ファイルが壊れています (暗号化の情報)") \
    X(kCipherHeaderTooShort, "the encrypted entry is too short for its cipher's header", \
      "ファイルが壊れています (暗号化の情報)") \
    X(kNoPasswordOpensIt, "no listed password opens it", \
      "パスワードが違います") \
    X(kAuthenticationFailed, "the entry's authentication code does not match: its data was altered", \
      "ファイルが壊れているか、書き換えられています") \
    X(kDecryptionLibraryFailed, "the decryption library failed", \
      "復号できませんでした (内部エラー)") \
    /* the disk */ \
    X(kCannotOpenOutputFolder, "cannot open the output folder", \
      "解凍先のフォルダーを開けません") \
    X(kPathThroughLink, "the path passes through a symbolic link", \
      "解凍先がシンボリックリンクを通っています") \
    X(kPathThroughNonFolder, "the path passes through something not a folder", \
      "同じ名前のファイルがあり、フォルダーを作れません") \
    X(kCannotOpenFolder, "cannot open the folder", \
      "フォルダーを開けません") \
    X(kCannotCreateFolder, "cannot create the folder", \
      "フォルダーを作れません") \
    X(kFolderVanished, "a folder vanished while it was being created", \
      "作成中にフォルダーが消えました") \
    X(kCannotReadFreeSpace, "cannot read the free space", \
      "ディスクの空きを確かめられません") \
    X(kNotEnoughSpace, "not enough free space on the disk", \
      "ディスクの空きが足りません") \
    X(kCannotCreateFile, "cannot create a file", \
      "ファイルを作れません") \
    X(kCannotLockFile, "cannot lock a new file", \
      "ファイルを作れません (ロックできません)") \
    X(kNoFreeTemporaryName, "cannot find a free temporary name", \
      "ファイルを作れません (一時ファイルの名前がありません)") \
    X(kCannotWriteFile, "cannot write the file", \
      "ファイルに書き込めません") \
    X(kCannotFlushFile, "cannot flush the file to the disk", \
      "ファイルをディスクに書き込めません") \
    X(kCannotSetModeAndTime, "cannot set the file's mode and time", \
      "ファイルの属性と日時を設定できません") \
    X(kCannotFinishWriting, "cannot finish writing the file", \
      "ファイルの書き込みを終えられません") \
    X(kCannotPutFileInPlace, "cannot put the file in place", \
      "ファイルを置けません") \
    X(kCannotCreateLink, "cannot create the symbolic link", \
      "シンボリックリンクを作れません") \
    X(kCannotPutLinkInPlace, "cannot put the symbolic link in place", \
      "シンボリックリンクを置けません") \
    /* the library itself */ \
    X(kNotReached, "the entry was not reached", \
      "前のエラーで処理が止まり、解凍されませんでした") \
    X(kOutOfMemory, "not enough memory", \
      "メモリーが足りません") \
    X(kPathsTooLong, "the paths take more than 4 GiB", \
      "ファイル名が合わせて長すぎます") \
    X(kInternalError, "an internal error stopped the entry", \
      "内部エラーで処理が止まりました") \
    X(kExtractionStopped, "the extraction stopped", \
      "内部エラーで解凍が止まりました") \
    /* the command line */ \
    X(kUnterminatedQuote, "unterminated quote in the command line", \
      "コマンドラインの引用符が閉じていません") \
    X(kCommandNotExtract, "the command must be x (extract with full paths)", \
      "コマンドは x (パス付きで解凍) でなければなりません") \
    X(kOutputFolderTwice, "more than one output folder", \
      "解凍先フォルダーが 2 つ以上あります") \
    X(kUnknownSwitch, "unknown switch", \
      "知らないスイッチです") \
    X(kSwitchTwice, "switch given twice", \
      "同じスイッチが 2 度あります") \
    X(kArchiveTwice, "more than one archive", \
      "書庫が 2 つ以上あります") \
    X(kSwitchesRequired, "the switches -r -hide -aoa -y are all required", \
      "スイッチ -r -hide -aoa -y がすべて必要です") \
    X(kNoArchive, "no archive named", \
      "書庫が指定されていません") \
    X(kNoOutputFolder, "no output folder given with -o", \
      "解凍先フォルダーが -o で指定されていません")
// clang-format on

namespace contract {

// clang-format off
enum class Reason : uint8_t {
#define KESTO_REASON_NAME(name, words, japanese) name,
    KESTO_REASONS(KESTO_REASON_NAME)
#undef KESTO_REASON_NAME
    kCount  // not a reason: how many there are
};

inline constexpr std::string_view kReasonWords[] = {
#define KESTO_REASON_WORDS(name, words, japanese) words,
    KESTO_REASONS(KESTO_REASON_WORDS)
#undef KESTO_REASON_WORDS
};

inline constexpr std::string_view kReasonJapanese[] = {
#define KESTO_REASON_JAPANESE(name, words, japanese) japanese,
    KESTO_REASONS(KESTO_REASON_JAPANESE)
#undef KESTO_REASON_JAPANESE
};
// clang-format on

// The library's words for a reason, as its report writes them.
constexpr std::string_view WordsOf(Reason reason) {
    const auto index = static_cast<size_t>(reason);
    return index < std::size(kReasonWords) ? kReasonWords[index] : std::string_view();
}

// The window's words for it.
constexpr std::string_view JapaneseOf(Reason reason) {
    const auto index = static_cast<size_t>(reason);
    return index < std::size(kReasonJapanese) ? kReasonJapanese[index] : std::string_view();
}

}  // namespace contract
