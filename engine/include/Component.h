// TComponent: the owned-component base of the converter's objects.
//
// A component may have an owner. The owner keeps a list of what it owns and destroys
// those components when it is destroyed itself; a component destroyed earlier leaves
// its owner's list first, so nothing is destroyed twice. The list is guarded, because
// one owner (the library's application object) serves conversions on several threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class TComponent {
public:
    explicit TComponent(TComponent* AOwner);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }

    const std::string& Name() const { return FName; }
    void SetName(std::string Value) { FName = std::move(Value); }

    std::intptr_t Tag() const { return FTag; }
    void SetTag(std::intptr_t Value) { FTag = Value; }

    // Number of components this one owns right now, and the one at Index (nullptr
    // when out of range).
    std::size_t ComponentCount() const;
    TComponent* Components(std::size_t Index) const;

private:
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);

    TComponent* FOwner;
    std::string FName;
    std::intptr_t FTag = 0;
    mutable std::mutex FComponentsLock;
    std::vector<TComponent*> FComponents;
};
