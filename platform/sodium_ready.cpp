#include "sodium_ready.h"

#include <sodium.h>

#include "platform/app_error.h"

namespace Sodium {

void ensureReady()
{
    // sodium_init is thread-safe and returns 1 when already initialised.
    if (sodium_init() < 0)
        throw AppError(QStringLiteral("无法初始化加密库（libsodium），请检查系统的随机数来源。"));
}

} // namespace Sodium
