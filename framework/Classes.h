// Object and component bases, and the event types the controls raise.
// TComponent owns the components created with it as owner and destroys them,
// newest first, when it is destroyed itself.
#pragma once

#include <functional>
#include <string>
#include <vector>

class TObject {
public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

class TComponent : public TObject {
public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const std::vector<TComponent*>& Components() const { return components_; }

  std::string Name;
  int Tag = 0;

private:
  void Insert(TComponent* child);
  void Remove(TComponent* child);

  TComponent* owner_;
  std::vector<TComponent*> components_;
};
