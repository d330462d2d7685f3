// The allocation-failure tests need failing allocations to return null, as they
// do without the address sanitizer.
extern "C" const char *__asan_default_options() {
  return "allocator_may_return_null=1";
}
