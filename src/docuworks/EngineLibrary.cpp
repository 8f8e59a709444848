#include "docuworks/DocuWorksApi.h"
// Placeholder: the run-time binding of the engine library goes here.
