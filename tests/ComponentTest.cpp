#include "Component.h"
#include "HanZen.h"

#include <gtest/gtest.h>

namespace {

// Records its own destruction.
class Probe : public TComponent {
public:
    Probe(TComponent* Owner, int* Destroyed) : TComponent(Owner), FDestroyed(Destroyed) {}
    ~Probe() override { ++*FDestroyed; }

private:
    int* FDestroyed;
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

TEST(Component, NameTagAndFreshOptions) {
    TComponent Owner(nullptr);
    auto* H = new THanZen(&Owner);
    H->SetName("HanZen1");
    H->SetTag(-7);
    EXPECT_EQ(H->Name(), "HanZen1");
    EXPECT_EQ(H->Tag(), -7);
    EXPECT_EQ(Owner.Components(0), H);
    // A new component has every option at its first value and SpLen 0.
    EXPECT_EQ(H->ConvSize(), cvNone);
    EXPECT_EQ(H->Space(), spNone);
    EXPECT_EQ(H->Tab(), tbNone);
    EXPECT_EQ(H->Kata(), kNone);
    EXPECT_EQ(H->ToHira(), thAll);
    EXPECT_EQ(H->Hira(), hNone);
    EXPECT_EQ(H->Mark(), mNone);
    EXPECT_EQ(H->SpLen(), 0);
    // Any byte value and any SpLen are stored as given.
    H->SetKata(static_cast<TKata>(0xFF));
    H->SetSpLen(-3);
    EXPECT_EQ(H->Kata(), 0xFF);
    EXPECT_EQ(H->SpLen(), -3);
}

} // namespace
