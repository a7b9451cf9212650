#include "Component.h"

#include <gtest/gtest.h>

namespace {

// Records its own destruction.
struct Probe : TComponent {
    Probe(TComponent* Owner, int* Destroyed) : TComponent(Owner), Destroyed(Destroyed) {}
    ~Probe() override { ++*Destroyed; }
    int* Destroyed;
};

TEST(Component, OwnerDestroysWhatItOwnsOnce) {
    int Destroyed = 0;
    auto* Owner = new TComponent(nullptr);
    auto* A = new Probe(Owner, &Destroyed);
    new Probe(Owner, &Destroyed);
    new Probe(A, &Destroyed); // owned at the second level
    EXPECT_EQ(Owner->ComponentCount(), 2u);
    EXPECT_EQ(A->Owner(), Owner);

    delete A; // takes its own child along and leaves the owner's list
    EXPECT_EQ(Destroyed, 2);
    EXPECT_EQ(Owner->ComponentCount(), 1u);
    EXPECT_NE(Owner->Components(0), A);
    EXPECT_EQ(Owner->Components(1), nullptr);

    delete Owner; // destroys the remaining one, and nothing twice (ASan would tell)
    EXPECT_EQ(Destroyed, 3);
}

} // namespace
