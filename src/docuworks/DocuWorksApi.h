// The seam between the run logic and the document engine: one virtual call per
// C call of xdwapi.h (the list is EngineCalls.h), so the run logic can be
// driven by a scripted fake in tests. The reserved null arguments of the C
// calls are left out. The calls keep xdwapi.h's rule: one at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "docuworks/EngineCalls.h"
#include "xdwapi/xdwapi.h"

namespace docuworks {

class Api {
public:
    virtual ~Api() = default;

#define QUILBEX_ENGINE_CALL_PURE(name, params, args) virtual int name params = 0;
    QUILBEX_ENGINE_CALLS(QUILBEX_ENGINE_CALL_PURE)
#undef QUILBEX_ENGINE_CALL_PURE

    // The reason of the calling thread's last failed call, short English text
    // ("" after a success, or when the engine gives none).
    virtual std::string LastErrorText() = 0;
    // The same reason's fields (xdwapi/xdwreason.h), one call each.
#define QUILBEX_ENGINE_REASON_FIELD_PURE(name, type, field) virtual type name() = 0;
    QUILBEX_ENGINE_REASON_FIELDS(QUILBEX_ENGINE_REASON_FIELD_PURE)
#undef QUILBEX_ENGINE_REASON_FIELD_PURE
    // The engine's version, "major.minor.patch.build" ("" when unknown).
    virtual std::string EngineVersion() = 0;
    // How far the OCR of page of document has got (0 to 100; -1: not being
    // recognised). The one call that may be made while another runs on the worker.
    virtual int OcrProgress(XDW_DOCUMENT_HANDLE document, int page) = 0;
    // Stops the OCR page under way at once (its ApplyOcr fails); like
    // OcrProgress, made while the worker is in the engine.
    virtual void CancelOcr() = 0;
};

// The engine library bound at run time: libxdwapi.so.1 beside the executable
// first, then the system's library path. When it cannot be loaded every call
// fails with XDW_E_NOT_INSTALLED and the information query gives an empty text.
std::unique_ptr<Api> LoadEngine();

}  // namespace docuworks
