// The request a caller leaves for a window and the response the window leaves behind (the
// program's CallRequest and CallResponse). The program points the runtime at its two globals;
// until it does, the runtime keeps a pair of its own.
#pragma once

#include <cstdint>

#include "runtime/ui/WindowController.h"

namespace rt {

void setCallGlobals(std::uint8_t* request, std::uint8_t* response);

// Copies the pending request and clears both globals, as every window does at set-up.
Request takeCallRequest();
void setCallRequest(Request r);
int callResponse();
void setCallResponse(int response);

// A browse over a range hands an insert a buffer already holding the range's fields; the
// form then primes without clearing. Taken (and reset) by the form at set-up.
void setInsertPrimed(bool on);
bool takeInsertPrimed();

}  // namespace rt
