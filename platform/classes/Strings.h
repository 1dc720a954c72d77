// Lists of strings: the abstract TStrings and the concrete TStringList.
#pragma once

#include <string>
#include <vector>

#include "platform/Export.h"
#include "platform/classes/Classes.h"

// An ordered list of strings. Descendants supply the storage (Count, Get,
// Put, Insert, Delete, Clear); everything else is built on those.
//
// Text joins the lines with a line feed after each line ("a\nb\n"); setting
// Text splits at "\r\n", "\n" or "\r", and a final line break does not start
// another line. In a form description the lines are stored as the defined
// property "Strings": a list value of strings (for a memo: Lines.Strings).
//
// Index errors raise EListError "List index out of bounds (<index>)".
class PLATFORM_API TStrings : public TPersistent {
  VASK_CLASS(TStrings, TPersistent)
 public:
  virtual int Count() const = 0;
  // The string at index (0-based).
  virtual std::string Get(int index) const = 0;
  // Replaces the string at index.
  virtual void Put(int index, const std::string& s) = 0;
  // Inserts s before index (index == Count appends).
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  // Appends s; returns its index.
  int Add(const std::string& s);
  void AddStrings(const TStrings& strings);
  // The index of the first string equal to s ignoring ASCII case, or -1.
  int IndexOf(const std::string& s) const;

  std::string Text() const;
  void SetText(const std::string& text);

  // Between BeginUpdate and the matching EndUpdate, changes are collected and
  // reported once at the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Copies the strings of another TStrings; other sources as TPersistent does.
  void Assign(TPersistent* source) override;
  // Declares "Strings", the lines as a list of strings (written when not empty).
  void DefineProperties(TFiler& filer) override;

 protected:
  // Called when BeginUpdate/EndUpdate change between 0 and 1.
  virtual void SetUpdateState(bool updating);

 private:
  void ReadData(TReader& reader);
  void WriteData(TWriter& writer) const;
  int update_count_ = 0;
};

// A TStrings that keeps its strings in memory and reports changes.
class PLATFORM_API TStringList : public TStrings {
  VASK_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int index) const override;
  void Put(int index, const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;

  // Fired after every change, or once by the EndUpdate that ends a series of
  // changes; the sender is the list.
  TNotifyEvent OnChange;

 protected:
  void SetUpdateState(bool updating) override;
  // Fires OnChange now, or at the end of the current update.
  virtual void Changed();

 private:
  void CheckIndex(int index, int limit) const;
  std::vector<std::string> items_;
  bool changed_while_updating_ = false;
};
