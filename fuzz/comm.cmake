# Parsers of bytes that come from outside: device replies, announce datagrams, bridge streams, automatic-EQ bridge messages.
plenum_fuzz(comm_fuzz_reply SOURCES comm_fuzz_reply.cpp DEPS plenum_comm)
plenum_fuzz(comm_fuzz_announce SOURCES comm_fuzz_announce.cpp DEPS plenum_comm)
plenum_fuzz(comm_fuzz_bridge SOURCES comm_fuzz_bridge.cpp DEPS plenum_comm)
plenum_fuzz(comm_fuzz_aeq SOURCES comm_fuzz_aeq.cpp DEPS plenum_comm)
