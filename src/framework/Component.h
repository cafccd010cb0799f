// Objects with an owner: an owner destroys what it owns, the last created first.
#pragma once

#include <functional>
#include <vector>

namespace fw {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// A notification bound to an object, called with the object that sends it.
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::vector<TComponent*>& Components() const { return components_; }

  // Runs while the object is still whole, just before it is deleted by its owner.
  virtual void BeforeDestruction() {}

 protected:
  // Destroys every owned component, the last created first.
  void DestroyComponents();

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);

  TComponent* owner_;
  std::vector<TComponent*> components_;
};

}  // namespace fw
