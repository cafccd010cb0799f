# The test network's responder (tests/network/netns.sh starts it in the hosts' namespace): it
# answers echo requests for the test hosts after each host's delay. Built by the Linux trees
# (build/linux/responder), for every test that uses the test network.
add_executable(vorlix_responder tests/network/responder.cpp)
set_target_properties(vorlix_responder PROPERTIES OUTPUT_NAME responder
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_link_libraries(vorlix_responder PRIVATE vorlix_options)
