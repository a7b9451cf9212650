#include "Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
    if (FOwner) FOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    // Destroy the owned components newest first. Each one removes itself from the list
    // in its own destructor, so the lock is never held across a delete.
    for (;;) {
        TComponent* Last;
        {
            std::lock_guard<std::mutex> Guard(FComponentsLock);
            if (FComponents.empty()) break;
            Last = FComponents.back();
        }
        delete Last;
    }
    if (FOwner) FOwner->RemoveComponent(this);
}

std::size_t TComponent::ComponentCount() const {
    std::lock_guard<std::mutex> Guard(FComponentsLock);
    return FComponents.size();
}

TComponent* TComponent::Components(std::size_t Index) const {
    std::lock_guard<std::mutex> Guard(FComponentsLock);
    return Index < FComponents.size() ? FComponents[Index] : nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    std::lock_guard<std::mutex> Guard(FComponentsLock);
    FComponents.push_back(AComponent);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    std::lock_guard<std::mutex> Guard(FComponentsLock);
    auto It = std::find(FComponents.begin(), FComponents.end(), AComponent);
    if (It != FComponents.end()) FComponents.erase(It);
}
