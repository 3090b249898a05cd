// The identity of a file as stat gives it, for the POSIX implementations.
#pragma once

#include <sys/stat.h>

#include "FileIdentity.h"

namespace platform {

FileIdentity IdentityFrom(const struct stat& status);

}  // namespace platform
