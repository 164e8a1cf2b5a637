#!/usr/bin/env escript
%% -*- erlang -*-
%% Times erlang's asn1 codec on given encodings, for the benchmark's reference figures.
%%
%%   escript asn_bench.escript DIR [MODULE]     (DIR holds MODULE.beam, built with the
%%                                                compiler's optimisations; MODULE: All)
%%
%% Reads "TYPE HEX ITERATIONS" lines and answers each with "ok DECODE_NS ENCODE_NS": the
%% mean time of one decode of the octets and of one encode of the decoded value, in the
%% quickest of five rounds of ITERATIONS each (erlang's figures vary from run to run with
%% its scheduler and collector; the quickest round is the one least disturbed).

-mode(compile).

main([Dir]) -> main([Dir, "All"]);
main([Dir, Module]) ->
    true = code:add_patha(Dir),
    M = list_to_atom(Module),
    {module, M} = code:ensure_loaded(M),
    loop(M).

loop(M) ->
    case io:get_line("") of
        eof -> ok;
        {error, _} -> ok;
        Line ->
            Reply = try handle(M, string:lexemes(string:trim(Line, trailing, "\r\n"), " "))
                    catch C:R -> lists:flatten(io_lib:format("error ~p:~p", [C, R]))
                    end,
            io:put_chars([Reply, $\n]),
            loop(M)
    end.

handle(M, [TypeText, Hex, CountText]) ->
    Type = list_to_atom(TypeText),
    Bytes = binary:decode_hex(list_to_binary(Hex)),
    N = list_to_integer(CountText),
    {ok, Value} = M:decode(Type, Bytes),
    {ok, _} = M:encode(Type, Value),
    Dec = per_op(fun() -> {ok, _} = M:decode(Type, Bytes) end, N),
    Enc = per_op(fun() -> {ok, _} = M:encode(Type, Value) end, N),
    lists:flatten(io_lib:format("ok ~.1f ~.1f", [Dec, Enc]));
handle(_, _) -> "error bad request".

per_op(F, N) ->
    repeat(F, N div 10),  % warm up
    lists:min([round_ns(F, N) || _ <- lists:seq(1, 5)]).

round_ns(F, N) ->
    T0 = erlang:monotonic_time(nanosecond),
    repeat(F, N),
    (erlang:monotonic_time(nanosecond) - T0) / N.

repeat(_, 0) -> ok;
repeat(F, K) -> F(), repeat(F, K - 1).
