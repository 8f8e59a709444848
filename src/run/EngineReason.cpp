#include "run/EngineReason.h"

#include "docuworks/DocuWorksApi.h"

namespace quilbex {

EngineReason ReadEngineReason(docuworks::Api& engine) {
    EngineReason reason;
    reason.prose = engine.LastErrorText();
#define QUILBEX_READ_FIELD(name, type, field) reason.field = engine.name();
    QUILBEX_ENGINE_REASON_FIELDS(QUILBEX_READ_FIELD)
#undef QUILBEX_READ_FIELD
    return reason;
}

}  // namespace quilbex
