#include "session/session_state.h"

SessionState& Session() {
    static SessionState state;
    return state;
}

void ResetSession() {
    SessionState& s = Session();
    ResetMosaicContext(s.context);
    s.normal.reset();
    s.set48.reset();
}
