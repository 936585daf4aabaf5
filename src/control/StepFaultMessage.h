#pragma once

#include "model/MemoryStepProgram.h"

namespace vq3::control {

// The editor's message for the first fault of a program's steps; 0 for none.
int StepFaultMessage(model::StepFault fault);

} // namespace vq3::control
