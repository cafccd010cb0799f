// The installed echo service.
#include "probe/EchoService.h"

#include <cstdlib>

namespace probe {

namespace {
EchoService* installed = nullptr;
}

void EchoService::Install(EchoService* service) {
  installed = service;
}

EchoService& EchoService::Installed() {
  if (installed == nullptr) {
    std::abort();  // a probe built before the entry installed a service: a programming error
  }
  return *installed;
}

}  // namespace probe
