#include "app/controller.h"

namespace tavelin {

int runController(Session& session) {
    // No window and no unattended run exist yet: say so and end normally.
    showMessage(session, "nothing to show yet");
    return 0;
}

}  // namespace tavelin
