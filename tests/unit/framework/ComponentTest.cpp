// Components with owners: an owner destroys what it owns, the last created first.
#include "framework/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string>* journal = nullptr;

// A component that notes when it goes.
class Noted : public fw::TComponent {
 public:
  Noted(fw::TComponent* owner, std::string name) : fw::TComponent(owner), name_(std::move(name)) {}
  ~Noted() override { journal->push_back("free " + name_); }

 private:
  std::string name_;
};

TEST(ComponentTest, OwnedComponentsGoLastCreatedFirst) {
  std::vector<std::string> notes;
  journal = &notes;
  {
    fw::TComponent owner(nullptr);
    new Noted(&owner, "a");
    auto* b = new Noted(&owner, "b");
    new Noted(b, "b.1");
    new Noted(&owner, "c");
  }
  journal = nullptr;
  const std::vector<std::string> expected = {"free c", "free b", "free b.1", "free a"};
  EXPECT_EQ(notes, expected);
}

}  // namespace
