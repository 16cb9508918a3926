// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_DCHECK_IS_ON_H_
#define BASE_DCHECK_IS_ON_H_

// DCHECK_IS_ON() is 1 where DCHECKs are evaluated (debug builds, or any build
// with DCHECK_ALWAYS_ON), else 0. Apart from base/logging.h so that headers
// that only size a debug field by it need not include logging.
#if defined(NDEBUG) && !defined(DCHECK_ALWAYS_ON)
#define DCHECK_IS_ON() 0
#else
#define DCHECK_IS_ON() 1
#endif

#endif  // BASE_DCHECK_IS_ON_H_
