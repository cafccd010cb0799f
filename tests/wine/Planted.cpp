// A DLL that the tests put beside their program, where the system folder has none of its name.
extern "C" __declspec(dllexport) int Planted() {
  return 1;
}
