// Objects with an owner.
#include "framework/Component.h"

#include <algorithm>

namespace fw {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) {
    owner_->Insert(this);
  }
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_ != nullptr) {
    owner_->Remove(this);
  }
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    last->BeforeDestruction();
    delete last;  // its destructor removes it from the list
  }
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
}

void TComponent::Remove(TComponent* component) {
  auto found = std::find(components_.begin(), components_.end(), component);
  if (found != components_.end()) {
    components_.erase(found);
  }
}

}  // namespace fw
