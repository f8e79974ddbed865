#pragma once

// libsodium must be initialised once before its first use (the teacher's
// password hash, encrypted copies). Throws AppError when it cannot be, which
// happens only on a broken system (no random source).
namespace Sodium {
void ensureReady();
}
