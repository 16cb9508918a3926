// Copyright 2026 Velta Software. All rights reserved.

#include "base/observer_list.h"

#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

class Observer {
 public:
  virtual ~Observer() = default;
  virtual void OnEvent() = 0;
};

using List = ObserverList<Observer>;

// Records its notification in a shared log and then does something to the
// list (remove itself, remove another, add another).
class Recorder : public Observer {
 public:
  Recorder(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}

  void OnEvent() override {
    log_->push_back(name_);
    if (list_ && to_remove_)
      list_->RemoveObserver(to_remove_);
    if (list_ && to_add_) {
      list_->AddObserver(to_add_);
      to_add_ = nullptr;  // add once
    }
  }

  void RemoveOnEvent(List* list, Observer* victim) {
    list_ = list;
    to_remove_ = victim;
  }
  void AddOnEvent(List* list, Observer* newcomer) {
    list_ = list;
    to_add_ = newcomer;
  }

 private:
  const std::string name_;
  std::vector<std::string>* const log_;
  List* list_ = nullptr;
  Observer* to_remove_ = nullptr;
  Observer* to_add_ = nullptr;
};

void Notify(List& list) {
  for (auto& observer : list)
    observer.OnEvent();
}

class ObserverListTest : public ::testing::Test {
 protected:
  std::vector<std::string> log_;
  Recorder a_{"a", &log_};
  Recorder b_{"b", &log_};
  Recorder c_{"c", &log_};
  Recorder d_{"d", &log_};
};

TEST_F(ObserverListTest, NotifiesInOrderOfAddition) {
  List list;
  EXPECT_TRUE(list.empty());
  list.AddObserver(&a_);
  list.AddObserver(&b_);
  EXPECT_TRUE(list.HasObserver(&a_));
  EXPECT_FALSE(list.HasObserver(&c_));
  EXPECT_TRUE(list.might_have_observers());
  Notify(list);
  EXPECT_THAT(log_, ElementsAre("a", "b"));
  list.RemoveObserver(&c_);  // absent: no effect
  list.RemoveObserver(&a_);
  log_.clear();
  Notify(list);
  EXPECT_THAT(log_, ElementsAre("b"));
}

TEST_F(ObserverListTest, ObserverRemovesItselfDuringNotification) {
  List list;
  list.AddObserver(&a_);
  list.AddObserver(&b_);
  list.AddObserver(&c_);
  b_.RemoveOnEvent(&list, &b_);
  Notify(list);
  EXPECT_THAT(log_, ElementsAre("a", "b", "c"));
  EXPECT_FALSE(list.HasObserver(&b_));
  log_.clear();
  Notify(list);
  EXPECT_THAT(log_, ElementsAre("a", "c"));
}

TEST_F(ObserverListTest, ObserverRemovedByAnEarlierOneIsNotNotified) {
  List list;
  list.AddObserver(&a_);
  list.AddObserver(&b_);
  list.AddObserver(&c_);
  a_.RemoveOnEvent(&list, &c_);
  Notify(list);
  EXPECT_THAT(log_, ElementsAre("a", "b"));
  // Removing an observer already notified leaves the rest of the loop alone.
  log_.clear();
  a_.RemoveOnEvent(nullptr, nullptr);
  list.AddObserver(&c_);
  c_.RemoveOnEvent(&list, &a_);
  Notify(list);
  EXPECT_THAT(log_, ElementsAre("a", "b", "c"));
  EXPECT_FALSE(list.HasObserver(&a_));
}

TEST_F(ObserverListTest, ObserverAddedDuringNotificationFollowsThePolicy) {
  List all;
  all.AddObserver(&a_);
  a_.AddOnEvent(&all, &d_);
  Notify(all);
  EXPECT_THAT(log_, ElementsAre("a", "d"));

  log_.clear();
  List existing_only(ObserverListPolicy::EXISTING_ONLY);
  existing_only.AddObserver(&b_);
  b_.AddOnEvent(&existing_only, &c_);
  Notify(existing_only);
  EXPECT_THAT(log_, ElementsAre("b"));
  log_.clear();
  Notify(existing_only);
  EXPECT_THAT(log_, ElementsAre("b", "c"));
}

TEST_F(ObserverListTest, ClearDuringNotificationStopsTheLoop) {
  List list;
  list.AddObserver(&a_);
  list.AddObserver(&b_);
  for (auto& observer : list) {
    observer.OnEvent();
    list.Clear();
  }
  EXPECT_THAT(log_, ElementsAre("a"));
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(list.might_have_observers());
}

TEST_F(ObserverListTest, NestedNotificationKeepsBothLoopsRight) {
  List list;
  list.AddObserver(&a_);
  list.AddObserver(&b_);
  list.AddObserver(&c_);
  std::vector<std::string> outer;
  for (auto& observer : list) {
    observer.OnEvent();
    if (&observer == &a_) {
      // A nested loop removes b: the outer loop must skip it as well.
      for (auto& inner : list) {
        if (&inner == &b_)
          list.RemoveObserver(&b_);
      }
    }
  }
  EXPECT_THAT(log_, ElementsAre("a", "c"));
}

}  // namespace
}  // namespace base
