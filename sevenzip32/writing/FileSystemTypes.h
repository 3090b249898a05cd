// The file systems the library treats apart, by the type statfs gives, beyond those
// <linux/magic.h> names.
#pragma once

namespace sevenzip32 {

constexpr unsigned long kExfatMagic = 0x2011BAB0;
constexpr unsigned long kNtfs3Magic = 0x7366746E;
constexpr unsigned long kFuseMagic = 0x65735546;

}  // namespace sevenzip32
