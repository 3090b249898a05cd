// Every reason the extraction library gives for what it could not do, with the words the
// window shows for it: one table, from which the library makes its catalogue and the window
// its Japanese, so that no reason can be added without its words. X(name, the library's
// words, the window's words).
#pragma once

// clang-format off
#define KESTO_REASONS(X) \
    /* the archive as a whole */ \
    X(kCannotOpenArchive, "cannot open the archive", \
      "書庫を開けません") \
    X(kCannotReadArchiveAttributes, "cannot read the archive's attributes", \
      "書庫の属性を読めません") \
    X(kCannotReadArchive, "cannot read the archive", \
      "書庫を読めません") \
    X(kArchiveNotRegularFile, "the archive is not a regular file", \
      "書庫が通常のファイルではありません") \
    X(kEmptyFile, "the file is empty, not a ZIP archive", \
      "ファイルが空です (ZIP 書庫ではありません)") \
    X(kTooShortForEndRecord, "not a ZIP archive (too short for an end record)", \
      "ZIP 書庫ではありません (終端レコードには短すぎます)") \
    X(kNoEndRecord, "not a ZIP archive (no end record)", \
      "ZIP 書庫ではありません (終端レコードがありません)") \
    X(kEndRecordAmbiguous, "the archive has two end records that name two directories", \
      "書庫の終端レコードが 2 つあり、別々のセントラルディレクトリを指しています") \
    X(kDirectoryEmptyButEntries, "the archive's directory names no entries, yet the archive holds some", \
      "セントラルディレクトリは空ですが、書庫にはエントリがあります") \
    X(kCutShort, "the archive is cut short", \
      "書庫が途中で切れています (ダウンロードの途中かもしれません)") \
    X(kVolumeMissing, "a volume of the archive is missing", \
      "分割された書庫の一部がありません") \
    X(kVolumeShort, "a volume of the archive is shorter than the archive says", \
      "分割された書庫の一部が短すぎます (コピーの途中かもしれません)") \
    X(kVolumeNotRegularFile, "a volume of the archive is not a regular file", \
      "分割された書庫の一部が通常のファイルではありません") \
    X(kCannotOpenVolume, "cannot open a volume of the archive", \
      "分割された書庫の一部を開けません") \
    X(kNumberedVolumesSplitAgain, "the numbered volumes hold an archive split into volumes of its own", \
      "番号付きの分割書庫の中に、さらに分割された書庫があります") \
    X(kDiskNumberPastTheLast, "a disk number lies past the archive's last volume", \
      "ディスク番号が分割された書庫の最後の部分を越えています") \
    X(kEndRecordsDisagree, "the archive's two end records disagree", \
      "書庫の 2 つの終端レコードが食い違っています") \
    X(kZip64EndMissing, "the zip64 end record is missing", \
      "zip64 終端レコードがありません") \
    X(kTruncated, "the archive is truncated", \
      "書庫が途中で切れています") \
    X(kDirectoryOutOfPlace, "the archive is truncated (central directory out of place)", \
      "書庫が途中で切れています (セントラルディレクトリの位置が不正です)") \
    X(kHeaderPastEnd, "the archive is truncated (an entry's header runs past its end)", \
      "書庫が途中で切れています (エントリのヘッダーが書庫の末尾を越えています)") \
    X(kDataPastEnd, "the archive is truncated (an entry's data runs past its end)", \
      "書庫が途中で切れています (エントリのデータが書庫の末尾を越えています)") \
    X(kDirectoryTooLarge, "the central directory is larger than 4 GiB", \
      "セントラルディレクトリが 4 GiB を超えています") \
    X(kDirectoryDamaged, "the central directory is damaged", \
      "セントラルディレクトリが壊れています") \
    X(kDirectoryEncrypted, "the archive's central directory is encrypted, which this library does not read", \
      "セントラルディレクトリが暗号化されています (読めない形式です)") \
    X(kEntryCountAmbiguous, "the archive's entry count is ambiguous", \
      "書庫のエントリ数があいまいです") \
    X(kEntriesOverlap, "entries overlap one another in the archive", \
      "書庫の中でエントリが重なり合っています") \
    X(kEntryRunsIntoDirectory, "an entry runs into the central directory", \
      "エントリがセントラルディレクトリに食い込んでいます") \
    X(kEntryNotInDirectory, "the archive holds an entry its directory does not name", \
      "セントラルディレクトリに載っていないエントリが書庫にあります") \
    X(kZip64SizesMissing, "an entry lacks its zip64 sizes", \
      "エントリに zip64 のサイズがありません") \
    X(kZip64FieldTooShort, "an entry's zip64 field is too short", \
      "エントリの zip64 フィールドが短すぎます") \
    X(kLocalHeaderMissing, "an entry's local header is missing", \
      "エントリのローカルヘッダーがありません") \
    X(kLocalHeaderDisagrees, "an entry's local header disagrees with the central directory", \
      "エントリのローカルヘッダーがセントラルディレクトリと食い違っています") \
    X(kDescriptorDisagrees, "an entry's data descriptor disagrees with the central directory", \
      "エントリのデータ記述子がセントラルディレクトリと食い違っています") \
    /* names */ \
    X(kNameEmpty, "the name is empty", \
      "名前が空です") \
    X(kNameHoldsControlCharacter, "the name holds a control character", \
      "名前に制御文字が含まれています") \
    X(kNameIsAbsolute, "the name is an absolute path", \
      "名前が絶対パスです") \
    X(kNameClimbsOut, "the name climbs out of its folder (..)", \
      "名前がフォルダーの外を指しています (..)") \
    X(kNameHasDriveLetter, "the name starts with a drive letter", \
      "名前がドライブ文字で始まっています") \
    X(kNameHasNoFileName, "the name has no file name in it", \
      "名前にファイル名がありません") \
    X(kNameComesTwice, "the name comes twice in the archive", \
      "同じ名前が書庫に 2 度あります") \
    X(kNameComesTwiceInCase, "the name comes twice in the archive, differing only in case", \
      "大文字と小文字だけが違う名前が書庫に 2 度あります") \
    X(kNameComesTwiceInForm, "the name comes twice in the archive, differing only in its Unicode form", \
      "Unicode の表し方だけが違う名前が書庫に 2 度あります") \
    /* links */ \
    X(kLinkHasNoTarget, "the link has no target", \
      "リンクの先がありません") \
    X(kLinkIsAbsolute, "the link points to an absolute path", \
      "リンクが絶対パスを指しています") \
    X(kLinkTargetHoldsControlCharacter, "the link's target holds a control character or a backslash", \
      "リンクの先に制御文字か \\ が含まれています") \
    X(kLinkPointsOutside, "the link points outside the output folder", \
      "リンクが解凍先フォルダーの外を指しています") \
    X(kLinkTargetTooLong, "the link's target is too long", \
      "リンクの先が長すぎます") \
    /* methods and data */ \
    X(kUnsupportedMethod, "unsupported compression method", \
      "対応していない圧縮方式です") \
    X(kNeedsTooMuchMemory, "the entry needs more memory to decode than is allowed", \
      "展開に許されたより多くのメモリーが必要です") \
    X(kDataEndsEarly, "the compressed data ends early", \
      "圧縮データが途中で終わっています") \
    X(kDataEndsBeforeDeclaredSize, "the compressed data ends before its declared size", \
      "圧縮データが宣言されたサイズより前に終わっています") \
    X(kDataDamaged, "the compressed data is damaged", \
      "データが壊れています") \
    X(kDeflateDamaged, "the deflate data is damaged", \
      "データが壊れています (Deflate)") \
    X(kDeflate64Damaged, "the Deflate64 data is damaged", \
      "データが壊れています (Deflate64)") \
    X(kBzip2Damaged, "the bzip2 data is damaged", \
      "データが壊れています (bzip2)") \
    X(kLzmaDamaged, "the LZMA data is damaged", \
      "データが壊れています (LZMA)") \
    X(kLzmaHeaderDamaged, "the LZMA header is damaged", \
      "LZMA のヘッダーが壊れています") \
    X(kZstandardDamaged, "the Zstandard data is damaged", \
      "データが壊れています (Zstandard)") \
    X(kCannotStartLzma, "cannot start the LZMA decoder", \
      "LZMA の展開を始められません") \
    X(kCannotStartXz, "cannot start the xz decoder", \
      "xz の展開を始められません") \
    X(kCannotStartBzip2, "cannot start the bzip2 decoder", \
      "bzip2 の展開を始められません") \
    X(kCannotStartZstandard, "cannot start the Zstandard decoder", \
      "Zstandard の展開を始められません") \
    X(kMoreBytesThanDeclared, "the entry produces more bytes than it declares", \
      "エントリが宣言より多くのバイトを出しています") \
    X(kFewerBytesThanDeclared, "the entry produces fewer bytes than it declares", \
      "エントリが宣言より少ないバイトしか出していません") \
    X(kCrcMismatch, "CRC-32 mismatch", \
      "CRC が一致しません (データが壊れています)") \
    /* encryption */ \
    X(kEncrypted, "the entry is encrypted", \
      "エントリが暗号化されています") \
    X(kStrongEncryption, "the entry uses strong encryption, which this library does not read", \
      "エントリが読めない形式で暗号化されています (強力な暗号化)") \
    X(kUnknownAesField, "the entry's AES field is missing or names no known key size", \
      "エントリの AES フィールドがないか、鍵の長さが不明です") \
    X(kCipherHeaderTooShort, "the encrypted entry is too short for its cipher's header", \
      "暗号化されたエントリが暗号ヘッダーより短いです") \
    X(kNoPasswordOpensIt, "no listed password opens it", \
      "パスワードが違います") \
    X(kAuthenticationFailed, "the entry's authentication code does not match: its data was altered", \
      "認証コードが一致しません (データが書き換えられています)") \
    X(kDecryptionLibraryFailed, "the decryption library failed", \
      "復号ライブラリーが失敗しました") \
    /* the disk */ \
    X(kCannotOpenOutputFolder, "cannot open the output folder", \
      "解凍先フォルダーを開けません") \
    X(kPathThroughLink, "the path passes through a symbolic link", \
      "パスがシンボリックリンクを通っています") \
    X(kPathThroughNonFolder, "the path passes through something not a folder", \
      "パスがフォルダーでないものを通っています") \
    X(kCannotOpenFolder, "cannot open the folder", \
      "フォルダーを開けません") \
    X(kCannotCreateFolder, "cannot create the folder", \
      "フォルダーを作れません") \
    X(kFolderVanished, "a folder vanished while it was being created", \
      "作っている間にフォルダーが消えました") \
    X(kCannotReadFreeSpace, "cannot read the free space", \
      "空き容量を読めません") \
    X(kNotEnoughSpace, "not enough free space on the disk", \
      "ディスクの空き容量が足りません") \
    X(kCannotCreateFile, "cannot create a file", \
      "ファイルを作れません") \
    X(kCannotLockFile, "cannot lock a new file", \
      "新しいファイルをロックできません") \
    X(kNoFreeTemporaryName, "cannot find a free temporary name", \
      "一時ファイルの名前が見つかりません") \
    X(kCannotWriteFile, "cannot write the file", \
      "ファイルに書き込めません") \
    X(kCannotFlushFile, "cannot flush the file to the disk", \
      "ファイルをディスクに書き出せません") \
    X(kCannotSetModeAndTime, "cannot set the file's mode and time", \
      "ファイルの属性と時刻を設定できません") \
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
      "エントリまで処理が進みませんでした") \
    X(kOutOfMemory, "not enough memory", \
      "メモリーが足りません") \
    X(kPathsTooLong, "the paths take more than 4 GiB", \
      "パスが合わせて 4 GiB を超えています") \
    X(kInternalError, "an internal error stopped the entry", \
      "内部エラーでエントリの処理が止まりました") \
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
