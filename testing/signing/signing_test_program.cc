// Copyright 2026 Velta Software. All rights reserved.

// The program that testing/signing/sign_test_files.py signs in every way the
// Authenticode tests need. What it does does not matter; it only has to be a
// real executable of the build's architecture.

int main() {
  return 0;
}
