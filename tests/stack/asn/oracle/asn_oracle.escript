#!/usr/bin/env escript
%% -*- erlang -*-
%% An independent aligned-PER encoder and decoder for the conformance tests: the module
%% that erlang's asn1 compiler made from the same ASN.1 modules (see build_oracle.sh).
%%
%%   escript asn_oracle.escript DIR [MODULE]     (DIR holds MODULE.beam; MODULE: All)
%%
%% Reads requests from standard input, one a line, and answers each with one line:
%%   decode TYPE HEX   ->  ok JSON      the decoded value
%%   encode TYPE JSON  ->  ok HEX       the encoding of the value
%%   anything wrong    ->  error TEXT
%% JSON is the tests' value text: objects with their present components, keys sorted;
%% a CHOICE is {"alternative": value}; OCTET STRING and open types upper-case hex;
%% BIT STRING a string of 0 and 1; OBJECT IDENTIFIER dotted; character strings UTF-8.

-mode(compile).

main([Dir]) -> main([Dir, "All"]);
main([Dir, Module]) ->
    true = code:add_patha(Dir),
    M = list_to_atom(Module),
    {module, M} = code:ensure_loaded(M),
    put(module, M),
    loop();
main(_) ->
    io:format(standard_error, "usage: asn_oracle.escript DIR [MODULE]~n", []),
    halt(2).

loop() ->
    case io:get_line("") of
        eof -> ok;
        {error, _} -> ok;
        Line ->
            Reply = try handle(string:trim(Line, trailing, "\r\n"))
                    catch C:R:S -> "error " ++ flat(io_lib:format("~p:~p ~p", [C, R, S]))
                    end,
            io:put_chars([Reply, $\n]),
            loop()
    end.

handle("") -> "error empty request";
handle(Line) ->
    case string:split(Line, " ") of
        [Cmd, Rest] ->
            case string:split(Rest, " ") of
                [Type, Arg] -> request(Cmd, list_to_atom(Type), Arg);
                _ -> "error bad request"
            end;
        _ -> "error bad request"
    end.

request("decode", Type, Hex) ->
    case (get(module)):decode(Type, hex_to_bin(Hex)) of
        {ok, Value} -> "ok " ++ json_text(to_json(info(Type), Value));
        {ok, Value, _Rest} -> "ok " ++ json_text(to_json(info(Type), Value));
        {error, Reason} -> "error " ++ flat(io_lib:format("~p", [Reason]))
    end;
request("encode", Type, Json) ->
    Value = from_json(info(Type), parse_json(Json)),
    case (get(module)):encode(Type, Value) of
        {ok, Bin} -> "ok " ++ bin_to_hex(Bin);
        {error, Reason} -> "error " ++ flat(io_lib:format("~p", [Reason]))
    end;
request(_, _, _) -> "error unknown command".

info(Type) ->
    F = list_to_atom("typeinfo_" ++ atom_to_list(Type)),
    (get(module)):F().

flat(IoList) -> lists:flatten(IoList).

%% ------------------------------------------------------------------ value -> JSON term

to_json({typeinfo, {M, F}}, V) -> to_json(M:F(), V);
to_json({sequence_map, _, _, Comps}, V) when is_map(V) ->
    Pairs = [{Bin, to_json(T, maps:get(A, V))}
             || {Bin, A, T, _} <- Comps, maps:is_key(A, V), maps:get(A, V) =/= asn1_NOVALUE],
    {object, lists:keysort(1, Pairs)};
to_json({choice, Alts}, {asn1_ExtAlt, Bin}) when is_map(Alts) ->
    {object, [{<<"extension">>, {string, hexb(Bin)}}]};
to_json({choice, Alts}, {Alt, V}) ->
    Key = atom_to_binary(Alt, utf8),
    {object, [{Key, to_json(maps:get(Key, Alts), V)}]};
to_json({sof, T}, L) when is_list(L) -> {array, [to_json(T, X) || X <- L]};
to_json({{'INTEGER_NNL', NNL}, _}, V) -> to_json({'INTEGER_NNL', NNL}, V);
to_json({'INTEGER_NNL', NNL}, V) when is_atom(V) -> {number, proplists:get_value(V, NNL)};
to_json({'INTEGER_NNL', _}, V) when is_integer(V) -> {number, V};
to_json('INTEGER', V) when is_integer(V) -> {number, V};
to_json({'INTEGER', _}, V) when is_integer(V) -> {number, V};
to_json('BOOLEAN', V) when is_boolean(V) -> V;
to_json({'BOOLEAN', _}, V) when is_boolean(V) -> V;
to_json('NULL', _) -> null;
to_json({'ENUMERATED', _}, V) when is_atom(V) -> {string, atom_to_binary(V, utf8)};
to_json({'ENUMERATED_EXT', _}, V) when is_atom(V) -> {string, atom_to_binary(V, utf8)};
to_json({'ENUMERATED_EXT', _}, _) -> null;
to_json({{'ENUMERATED', _} = E, _}, V) -> to_json(E, V);
to_json({{'ENUMERATED_EXT', _} = E, _}, V) -> to_json(E, V);
to_json(octet_string, V) when is_binary(V) -> {string, hexb(V)};
to_json({octet_string, _}, V) when is_binary(V) -> {string, hexb(V)};
to_json(bit_string, V) -> {string, bits_text(V)};
to_json({bit_string, _}, V) -> {string, bits_text(V)};
to_json('OBJECT IDENTIFIER', V) when is_tuple(V) ->
    {string, list_to_binary(lists:join(".", [integer_to_list(X) || X <- tuple_to_list(V)]))};
to_json(string, V) -> {string, chars_to_utf8(V)};
to_json({string, _}, V) -> {string, chars_to_utf8(V)};
to_json('BMPString', V) -> {string, chars_to_utf8(V)};
to_json({'BMPString', _}, V) -> {string, chars_to_utf8(V)};
to_json('ASN1_OPEN_TYPE', V) when is_binary(V) -> {string, hexb(V)};
to_json({'ObjClassFieldType', _, _}, V) when is_binary(V) -> {string, hexb(V)};
to_json({'ObjClassFieldType', _, _}, {asn1_OPENTYPE, V}) -> {string, hexb(V)};
to_json(T, V) -> error({cannot_print, T, V}).

bits_text(B) -> << <<(if X =:= 1 -> $1; true -> $0 end)>> || <<X:1>> <= B >>.

chars_to_utf8(V) when is_binary(V) -> V;
chars_to_utf8(L) ->
    unicode:characters_to_binary([case C of {0, 0, A, B} -> A * 256 + B; _ -> C end || C <- L]).

%% ------------------------------------------------------------------ JSON term -> value

from_json({typeinfo, {M, F}}, J) -> from_json(M:F(), J);
from_json({sequence_map, _, _, Comps}, J) when is_map(J) ->
    Known = [Bin || {Bin, _, _, _} <- Comps],
    case [K || K <- maps:keys(J), not lists:member(K, Known)] of
        [] -> ok;
        Extra -> error({unknown_components, Extra})
    end,
    maps:from_list([{A, from_json(T, maps:get(Bin, J))}
                    || {Bin, A, T, _} <- Comps, maps:is_key(Bin, J)]);
from_json({choice, Alts}, J) when is_map(J) ->
    [{Key, V}] = maps:to_list(J),
    {binary_to_atom(Key, utf8), from_json(maps:get(Key, Alts), V)};
from_json({sof, T}, J) when is_list(J) -> [from_json(T, X) || X <- J];
from_json({{'INTEGER_NNL', _}, _}, J) when is_integer(J) -> J;
from_json({'INTEGER_NNL', _}, J) when is_integer(J) -> J;
from_json('INTEGER', J) when is_integer(J) -> J;
from_json({'INTEGER', _}, J) when is_integer(J) -> J;
from_json('BOOLEAN', J) when is_boolean(J) -> J;
from_json({'BOOLEAN', _}, J) when is_boolean(J) -> J;
from_json('NULL', null) -> 'NULL';
from_json({'ENUMERATED', _}, J) when is_binary(J) -> binary_to_atom(J, utf8);
from_json({'ENUMERATED_EXT', _}, J) when is_binary(J) -> binary_to_atom(J, utf8);
from_json({{'ENUMERATED', _} = E, _}, J) -> from_json(E, J);
from_json({{'ENUMERATED_EXT', _} = E, _}, J) -> from_json(E, J);
from_json(octet_string, J) when is_binary(J) -> hex_to_bin(binary_to_list(J));
from_json({octet_string, _}, J) when is_binary(J) -> hex_to_bin(binary_to_list(J));
from_json(bit_string, J) when is_binary(J) -> text_bits(J);
from_json({bit_string, _}, J) when is_binary(J) -> text_bits(J);
from_json('OBJECT IDENTIFIER', J) when is_binary(J) ->
    list_to_tuple([binary_to_integer(X) || X <- binary:split(J, <<".">>, [global])]);
from_json(string, J) when is_binary(J) -> unicode:characters_to_list(J);
from_json({string, _}, J) when is_binary(J) -> unicode:characters_to_list(J);
from_json('BMPString', J) when is_binary(J) -> bmp_chars(J);
from_json({'BMPString', _}, J) when is_binary(J) -> bmp_chars(J);
from_json('ASN1_OPEN_TYPE', J) when is_binary(J) -> hex_to_bin(binary_to_list(J));
from_json({'ObjClassFieldType', _, _}, J) when is_binary(J) ->
    {asn1_OPENTYPE, hex_to_bin(binary_to_list(J))};
from_json(T, J) -> error({cannot_build, T, J}).

text_bits(J) -> << <<(if C =:= $1 -> 1; true -> 0 end):1>> || <<C>> <= J >>.

bmp_chars(J) ->
    [if C > 255 -> {0, 0, C bsr 8, C band 255}; true -> C end
     || C <- unicode:characters_to_list(J)].

%% ------------------------------------------------------------------ JSON text

json_text(T) -> binary_to_list(iolist_to_binary(json_out(T))).

json_out(null) -> "null";
json_out(true) -> "true";
json_out(false) -> "false";
json_out({number, N}) -> integer_to_list(N);
json_out({string, B}) -> quote(B);
json_out({array, L}) -> ["[", lists:join(",", [json_out(X) || X <- L]), "]"];
json_out({object, Pairs}) ->
    ["{", lists:join(",", [[quote(K), ":", json_out(V)] || {K, V} <- Pairs]), "}"].

quote(B) -> [$", [esc(C) || <<C>> <= B], $"].

esc($") -> "\\\"";
esc($\\) -> "\\\\";
esc(C) when C < 16#20 -> io_lib:format("\\u00~2.16.0B", [C]);
esc(C) -> C.

parse_json(Text) ->
    {V, Rest} = value(skip(unicode:characters_to_binary(Text))),
    <<>> = skip(Rest),
    V.

skip(<<C, R/binary>>) when C =:= $\s; C =:= $\t; C =:= $\n; C =:= $\r -> skip(R);
skip(B) -> B.

value(<<${, R/binary>>) -> members(skip(R), #{});
value(<<$[, R/binary>>) -> elements(skip(R), []);
value(<<$", R/binary>>) -> str(R, []);
value(<<"true", R/binary>>) -> {true, R};
value(<<"false", R/binary>>) -> {false, R};
value(<<"null", R/binary>>) -> {null, R};
value(B) -> number(B, []).

members(<<$}, R/binary>>, Acc) -> {Acc, R};
members(<<$", R/binary>>, Acc) ->
    {K, R1} = str(R, []),
    <<$:, R2/binary>> = skip(R1),
    {V, R3} = value(skip(R2)),
    Acc1 = Acc#{K => V},
    case skip(R3) of
        <<$,, R4/binary>> -> members(skip(R4), Acc1);
        <<$}, R4/binary>> -> {Acc1, R4}
    end.

elements(<<$], R/binary>>, Acc) -> {lists:reverse(Acc), R};
elements(B, Acc) ->
    {V, R} = value(B),
    case skip(R) of
        <<$,, R1/binary>> -> elements(skip(R1), [V | Acc]);
        <<$], R1/binary>> -> {lists:reverse([V | Acc]), R1}
    end.

str(<<$", R/binary>>, Acc) -> {unicode:characters_to_binary(lists:reverse(Acc)), R};
str(<<$\\, $u, H:4/binary, R/binary>>, Acc) -> str(R, [binary_to_integer(H, 16) | Acc]);
str(<<$\\, C, R/binary>>, Acc) ->
    Ch = case C of $n -> $\n; $t -> $\t; $r -> $\r; $b -> $\b; $f -> $\f; _ -> C end,
    str(R, [Ch | Acc]);
str(B, Acc) ->
    [Ch | _] = unicode:characters_to_list(B),
    Size = byte_size(unicode:characters_to_binary([Ch])),
    <<_:Size/binary, R/binary>> = B,
    str(R, [Ch | Acc]).

number(<<C, R/binary>>, Acc) when C =:= $-; C >= $0, C =< $9 -> number(R, [C | Acc]);
number(R, Acc) when Acc =/= [] -> {list_to_integer(lists:reverse(Acc)), R}.

%% ------------------------------------------------------------------ hex

hex_to_bin(Hex) -> binary:decode_hex(list_to_binary(Hex)).

bin_to_hex(Bin) -> binary_to_list(binary:encode_hex(Bin)).

hexb(Bin) -> binary:encode_hex(Bin).
