% expect: total=25 exec=14 comment=4 blank=7
-module(shop_server).
-behaviour(gen_server).

%% API
-export([start_link/0, add/1]).
-export([init/1, handle_call/3, handle_cast/2]).

%%% A server that keeps a cart.
%%% A "quote" in a comment opens nothing.

start_link() ->
    gen_server:start_link({local, ?MODULE}, ?MODULE, [], []).

add(Item) -> gen_server:call(?MODULE, {add, Item}). % trailing comment

init([]) -> {ok, []}.

handle_call({add, Item}, _From, Items) ->
    Note = "added 100% \"fresh\" item",
    Atom = 'it''s an atom % not a comment',
    {reply, {Note, Atom}, [Item | Items]}.

handle_cast(_Msg, State) ->
    {noreply, State}.
