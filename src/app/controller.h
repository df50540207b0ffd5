#pragma once
// What runs between the start-up reading and the exit: the first activation and everything after
// it (window events, or the unattended run with /exec /s). Returns the exit code.

#include "app/session.h"

namespace tavelin {

int runController(Session& session);

}  // namespace tavelin
