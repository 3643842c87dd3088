// One group of the configuration that a tree item shows, a form edits or a
// change place names: a program, a comparator, a step, one of the L2 groups or
// a PID regulator, by its type and address, or none. Two references are equal
// when both type and address are: a program and its first comparator may
// share an address and are still two groups.
//
// It neither owns nor keeps alive what it names; whoever holds one drops it
// when the group goes (the document checks with Document::holds).
#pragma once

#include <cstddef>
#include <type_traits>
#include <variant>

class Program;
class Comparator;
class Step;
class KeyPulseModes;
class Corrections;
class DigitalFilters;
class BaseParameters;
class PidRegulator;

class GroupRef {
  using Variant = std::variant<std::monostate, Program*, Comparator*, Step*, KeyPulseModes*, Corrections*,
                               DigitalFilters*, BaseParameters*, PidRegulator*>;

 public:
  template <typename Group>
  static constexpr bool isGroup = std::is_constructible_v<Variant, Group*> && !std::is_const_v<Group>;

  GroupRef() = default;
  GroupRef(std::nullptr_t) {}  // NOLINT(google-explicit-constructor)
  // A null pointer is no group.
  template <typename Group>
    requires isGroup<Group>
  GroupRef(Group* group) {  // NOLINT(google-explicit-constructor): a group is its reference
    if (group) m_group = group;
  }

  explicit operator bool() const { return m_group.index() != 0; }
  bool operator==(const GroupRef&) const = default;

  // The group when it is a `Group`, else nullptr.
  template <typename Group>
    requires isGroup<Group>
  Group* get() const {
    Group* const* group = std::get_if<Group*>(&m_group);
    return group ? *group : nullptr;
  }

  // Calls `f` with the typed pointer (never null); `none()` when there is no
  // group. Every alternative must be handled, so a new kind of group is not
  // silently ignored.
  template <typename F, typename None>
  decltype(auto) visit(F&& f, None&& none) const {
    return std::visit(
        [&](auto group) -> decltype(none()) {
          if constexpr (std::is_same_v<decltype(group), std::monostate>)
            return none();
          else
            return f(group);
        },
        m_group);
  }

 private:
  Variant m_group;
};
