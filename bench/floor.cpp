// The cheapest C++ process this toolchain makes: what starting any process costs here.
int main() {
  return 0;
}
