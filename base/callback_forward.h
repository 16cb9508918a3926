// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_CALLBACK_FORWARD_H_
#define BASE_CALLBACK_FORWARD_H_

namespace base {

template <typename Signature>
class OnceCallback;

template <typename Signature>
class RepeatingCallback;

// The classic names: a Callback is a RepeatingCallback.
template <typename Signature>
using Callback = RepeatingCallback<Signature>;

using OnceClosure = OnceCallback<void()>;
using RepeatingClosure = RepeatingCallback<void()>;
using Closure = RepeatingCallback<void()>;

}  // namespace base

#endif  // BASE_CALLBACK_FORWARD_H_
