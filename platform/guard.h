#pragma once

#include <exception>
#include <utility>

#include "platform/app_error.h"
#include "platform/messages.h"

// Runs one user action; a failure it does not handle itself ends the action
// where it happened and is shown in the application-wide error box. What the
// action did before the failure stays done. Returns false when it failed.
template<typename Action>
bool runGuarded(Messages &messages, Action &&action)
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (const AppError &e) {
        messages.showError(errorBoxText(e.text()));
    } catch (const std::exception &e) {
        messages.showError(errorBoxText(QString::fromLocal8Bit(e.what())));
    }
    return false;
}
