// Every reason the library gives for what it could not do, in one place. A failure is
// made only from one of these, with a detail after it where one helps (a path, the
// system's words for an error), so that a caller that shows the report in other words
// knows every reason it may meet.
#pragma once

#include <cstdint>
#include <string_view>

namespace sevenzip32 {

enum class Reason : uint8_t {
    // the archive as a whole
    kCannotOpenArchive,
    kCannotReadArchiveAttributes,
    kCannotReadArchive,
    kArchiveNotRegularFile,
    kEmptyFile,
    kTooShortForEndRecord,
    kNoEndRecord,
    kEndRecordAmbiguous,
    kDirectoryEmptyButEntries,
    kCutShort,
    kVolumeMissing,
    kVolumeShort,
    kVolumeNotRegularFile,
    kCannotOpenVolume,
    kNumberedVolumesSplitAgain,
    kDiskNumberPastTheLast,
    kEndRecordsDisagree,
    kZip64EndMissing,
    kTruncated,
    kDirectoryOutOfPlace,
    kHeaderPastEnd,
    kDataPastEnd,
    kDirectoryTooLarge,
    kDirectoryDamaged,
    kDirectoryEncrypted,
    kEntryCountAmbiguous,
    kEntriesOverlap,
    kEntryRunsIntoDirectory,
    kEntryNotInDirectory,
    kZip64SizesMissing,
    kZip64FieldTooShort,
    kLocalHeaderMissing,
    kLocalHeaderDisagrees,
    kDescriptorDisagrees,
    // names
    kNameEmpty,
    kNameHoldsControlCharacter,
    kNameIsAbsolute,
    kNameClimbsOut,
    kNameHasDriveLetter,
    kNameHasNoFileName,
    kNameComesTwice,
    kNameComesTwiceInCase,
    kNameComesTwiceInForm,
    // links
    kLinkHasNoTarget,
    kLinkIsAbsolute,
    kLinkTargetHoldsControlCharacter,
    kLinkPointsOutside,
    kLinkTargetTooLong,
    // methods and data
    kUnsupportedMethod,
    kNeedsTooMuchMemory,
    kDataEndsEarly,
    kDataEndsBeforeDeclaredSize,
    kDataDamaged,
    kDeflateDamaged,
    kDeflate64Damaged,
    kBzip2Damaged,
    kLzmaDamaged,
    kLzmaHeaderDamaged,
    kZstandardDamaged,
    kCannotStartLzma,
    kCannotStartXz,
    kCannotStartBzip2,
    kCannotStartZstandard,
    kMoreBytesThanDeclared,
    kFewerBytesThanDeclared,
    kCrcMismatch,
    // encryption
    kEncrypted,
    kStrongEncryption,
    kUnknownAesField,
    kCipherHeaderTooShort,
    kNoPasswordOpensIt,
    kAuthenticationFailed,
    kDecryptionLibraryFailed,
    // the disk
    kCannotOpenOutputFolder,
    kPathThroughLink,
    kPathThroughNonFolder,
    kCannotOpenFolder,
    kCannotCreateFolder,
    kFolderVanished,
    kCannotReadFreeSpace,
    kNotEnoughSpace,
    kCannotCreateFile,
    kCannotLockFile,
    kNoFreeTemporaryName,
    kCannotWriteFile,
    kCannotFlushFile,
    kCannotSetModeAndTime,
    kCannotFinishWriting,
    kCannotPutFileInPlace,
    kCannotCreateLink,
    kCannotPutLinkInPlace,
    // the library itself
    kNotReached,
    kOutOfMemory,
    kPathsTooLong,
    kInternalError,
    kExtractionStopped,
    // the command line
    kUnterminatedQuote,
    kCommandNotExtract,
    kOutputFolderTwice,
    kUnknownSwitch,
    kSwitchTwice,
    kArchiveTwice,
    kSwitchesRequired,
    kNoArchive,
    kNoOutputFolder,

    kCount  // not a reason: how many there are
};

std::string_view TextOf(Reason reason);

}  // namespace sevenzip32
