#include "Reasons.h"

namespace sevenzip32 {

std::string_view TextOf(Reason reason) {
    switch (reason) {
        case Reason::kCannotOpenArchive:
            return "cannot open the archive";
        case Reason::kCannotReadArchiveAttributes:
            return "cannot read the archive's attributes";
        case Reason::kCannotReadArchive:
            return "cannot read the archive";
        case Reason::kArchiveNotRegularFile:
            return "the archive is not a regular file";
        case Reason::kEmptyFile:
            return "the file is empty, not a ZIP archive";
        case Reason::kTooShortForEndRecord:
            return "not a ZIP archive (too short for an end record)";
        case Reason::kNoEndRecord:
            return "not a ZIP archive (no end record)";
        case Reason::kEndRecordAmbiguous:
            return "the archive has two end records that name two directories";
        case Reason::kDirectoryEmptyButEntries:
            return "the archive's directory names no entries, yet the archive holds some";
        case Reason::kCutShort:
            return "the archive is cut short";
        case Reason::kVolumeMissing:
            return "a volume of the archive is missing";
        case Reason::kVolumeShort:
            return "a volume of the archive is shorter than the archive says";
        case Reason::kVolumeNotRegularFile:
            return "a volume of the archive is not a regular file";
        case Reason::kCannotOpenVolume:
            return "cannot open a volume of the archive";
        case Reason::kNumberedVolumesSplitAgain:
            return "the numbered volumes hold an archive split into volumes of its own";
        case Reason::kDiskNumberPastTheLast:
            return "a disk number lies past the archive's last volume";
        case Reason::kEndRecordsDisagree:
            return "the archive's two end records disagree";
        case Reason::kZip64EndMissing:
            return "the zip64 end record is missing";
        case Reason::kTruncated:
            return "the archive is truncated";
        case Reason::kDirectoryOutOfPlace:
            return "the archive is truncated (central directory out of place)";
        case Reason::kHeaderPastEnd:
            return "the archive is truncated (an entry's header runs past its end)";
        case Reason::kDataPastEnd:
            return "the archive is truncated (an entry's data runs past its end)";
        case Reason::kDirectoryTooLarge:
            return "the central directory is larger than 4 GiB";
        case Reason::kDirectoryDamaged:
            return "the central directory is damaged";
        case Reason::kDirectoryEncrypted:
            return "the archive's central directory is encrypted, which this library does not read";
        case Reason::kEntryCountAmbiguous:
            return "the archive's entry count is ambiguous";
        case Reason::kEntriesOverlap:
            return "entries overlap one another in the archive";
        case Reason::kEntryRunsIntoDirectory:
            return "an entry runs into the central directory";
        case Reason::kEntryNotInDirectory:
            return "the archive holds an entry its directory does not name";
        case Reason::kZip64SizesMissing:
            return "an entry lacks its zip64 sizes";
        case Reason::kZip64FieldTooShort:
            return "an entry's zip64 field is too short";
        case Reason::kLocalHeaderMissing:
            return "an entry's local header is missing";
        case Reason::kLocalHeaderDisagrees:
            return "an entry's local header disagrees with the central directory";
        case Reason::kDescriptorDisagrees:
            return "an entry's data descriptor disagrees with the central directory";
        case Reason::kNameEmpty:
            return "the name is empty";
        case Reason::kNameHoldsControlCharacter:
            return "the name holds a control character";
        case Reason::kNameIsAbsolute:
            return "the name is an absolute path";
        case Reason::kNameClimbsOut:
            return "the name climbs out of its folder (..)";
        case Reason::kNameHasDriveLetter:
            return "the name starts with a drive letter";
        case Reason::kNameHasNoFileName:
            return "the name has no file name in it";
        case Reason::kNameComesTwice:
            return "the name comes twice in the archive";
        case Reason::kNameComesTwiceInCase:
            return "the name comes twice in the archive, differing only in case";
        case Reason::kNameComesTwiceInForm:
            return "the name comes twice in the archive, differing only in its Unicode form";
        case Reason::kLinkHasNoTarget:
            return "the link has no target";
        case Reason::kLinkIsAbsolute:
            return "the link points to an absolute path";
        case Reason::kLinkTargetHoldsControlCharacter:
            return "the link's target holds a control character or a backslash";
        case Reason::kLinkPointsOutside:
            return "the link points outside the output folder";
        case Reason::kLinkTargetTooLong:
            return "the link's target is too long";
        case Reason::kUnsupportedMethod:
            return "unsupported compression method";
        case Reason::kNeedsTooMuchMemory:
            return "the entry needs more memory to decode than is allowed";
        case Reason::kDataEndsEarly:
            return "the compressed data ends early";
        case Reason::kDataEndsBeforeDeclaredSize:
            return "the compressed data ends before its declared size";
        case Reason::kDataDamaged:
            return "the compressed data is damaged";
        case Reason::kDeflateDamaged:
            return "the deflate data is damaged";
        case Reason::kDeflate64Damaged:
            return "the Deflate64 data is damaged";
        case Reason::kBzip2Damaged:
            return "the bzip2 data is damaged";
        case Reason::kLzmaDamaged:
            return "the LZMA data is damaged";
        case Reason::kLzmaHeaderDamaged:
            return "the LZMA header is damaged";
        case Reason::kZstandardDamaged:
            return "the Zstandard data is damaged";
        case Reason::kCannotStartLzma:
            return "cannot start the LZMA decoder";
        case Reason::kCannotStartXz:
            return "cannot start the xz decoder";
        case Reason::kCannotStartBzip2:
            return "cannot start the bzip2 decoder";
        case Reason::kCannotStartZstandard:
            return "cannot start the Zstandard decoder";
        case Reason::kMoreBytesThanDeclared:
            return "the entry produces more bytes than it declares";
        case Reason::kFewerBytesThanDeclared:
            return "the entry produces fewer bytes than it declares";
        case Reason::kCrcMismatch:
            return "CRC-32 mismatch";
        case Reason::kEncrypted:
            return "the entry is encrypted";
        case Reason::kStrongEncryption:
            return "the entry uses strong encryption, which this library does not read";
        case Reason::kUnknownAesField:
            return "the entry's AES field is missing or names no known key size";
        case Reason::kCipherHeaderTooShort:
            return "the encrypted entry is too short for its cipher's header";
        case Reason::kNoPasswordOpensIt:
            return "no listed password opens it";
        case Reason::kAuthenticationFailed:
            return "the entry's authentication code does not match: its data was altered";
        case Reason::kDecryptionLibraryFailed:
            return "the decryption library failed";
        case Reason::kCannotOpenOutputFolder:
            return "cannot open the output folder";
        case Reason::kPathThroughLink:
            return "the path passes through a symbolic link";
        case Reason::kPathThroughNonFolder:
            return "the path passes through something not a folder";
        case Reason::kCannotOpenFolder:
            return "cannot open the folder";
        case Reason::kCannotCreateFolder:
            return "cannot create the folder";
        case Reason::kFolderVanished:
            return "a folder vanished while it was being created";
        case Reason::kCannotReadFreeSpace:
            return "cannot read the free space";
        case Reason::kNotEnoughSpace:
            return "not enough free space on the disk";
        case Reason::kCannotCreateFile:
            return "cannot create a file";
        case Reason::kCannotLockFile:
            return "cannot lock a new file";
        case Reason::kNoFreeTemporaryName:
            return "cannot find a free temporary name";
        case Reason::kCannotWriteFile:
            return "cannot write the file";
        case Reason::kCannotFlushFile:
            return "cannot flush the file to the disk";
        case Reason::kCannotSetModeAndTime:
            return "cannot set the file's mode and time";
        case Reason::kCannotFinishWriting:
            return "cannot finish writing the file";
        case Reason::kCannotPutFileInPlace:
            return "cannot put the file in place";
        case Reason::kCannotCreateLink:
            return "cannot create the symbolic link";
        case Reason::kCannotPutLinkInPlace:
            return "cannot put the symbolic link in place";
        case Reason::kNotReached:
            return "the entry was not reached";
        case Reason::kOutOfMemory:
            return "not enough memory";
        case Reason::kPathsTooLong:
            return "the paths take more than 4 GiB";
        case Reason::kInternalError:
            return "an internal error stopped the entry";
        case Reason::kExtractionStopped:
            return "the extraction stopped";
        case Reason::kUnterminatedQuote:
            return "unterminated quote in the command line";
        case Reason::kCommandNotExtract:
            return "the command must be x (extract with full paths)";
        case Reason::kOutputFolderTwice:
            return "more than one output folder";
        case Reason::kUnknownSwitch:
            return "unknown switch";
        case Reason::kSwitchTwice:
            return "switch given twice";
        case Reason::kArchiveTwice:
            return "more than one archive";
        case Reason::kSwitchesRequired:
            return "the switches -r -hide -aoa -y are all required";
        case Reason::kNoArchive:
            return "no archive named";
        case Reason::kNoOutputFolder:
            return "no output folder given with -o";
        case Reason::kCount:
            break;
    }
    return {};
}

}  // namespace sevenzip32
