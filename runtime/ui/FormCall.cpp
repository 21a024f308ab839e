#include "runtime/ui/FormCall.h"

namespace rt {

namespace {
std::uint8_t ownRequest = 0;
std::uint8_t ownResponse = 0;
std::uint8_t* requestVar = &ownRequest;
std::uint8_t* responseVar = &ownResponse;
bool insertPrimed = false;
}  // namespace

void setCallGlobals(std::uint8_t* request, std::uint8_t* response) {
  requestVar = request ? request : &ownRequest;
  responseVar = response ? response : &ownResponse;
}

Request takeCallRequest() {
  const std::uint8_t r = *requestVar;
  *requestVar = 0;
  *responseVar = 0;
  return r <= static_cast<std::uint8_t>(Request::View) ? static_cast<Request>(r) : Request::None;
}

void setCallRequest(Request r) {
  *requestVar = static_cast<std::uint8_t>(r);
}

int callResponse() {
  return *responseVar;
}

void setCallResponse(int response) {
  *responseVar = static_cast<std::uint8_t>(response);
}

void setInsertPrimed(bool on) {
  insertPrimed = on;
}

bool takeInsertPrimed() {
  const bool on = insertPrimed;
  insertPrimed = false;
  return on;
}

}  // namespace rt
